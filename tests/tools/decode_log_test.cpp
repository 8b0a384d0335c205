// vels5-decode --log replaying captures built here: views, records, timing, options.
#include "core/link/link_protocol.h"
#include "tests/common/status_frame.h"
#include "tests/tools/decode_tool.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

using test::RunDecode;
using test::ToolRun;

ToolRun RunLog(const Bytes& capture, const std::string& options) {
    const test::TempDir dir;
    const std::string capturePath = dir.File("capture.bin");
    test::WriteFile(capturePath, capture);
    return RunDecode("--log " + options + " '" + capturePath + "'");
}

struct Status {
    std::uint8_t mode = 0x04;
    float ui = 2.0f;
    float di = 0.5f;
    std::uint8_t photoFaults = 0;
};

void Append(Bytes& capture, const Status& s, int times = 1) {
    const Bytes frame = test::StatusFrame(s.mode, s.ui, s.di, s.photoFaults);
    for (int i = 0; i < times; ++i)
        capture.insert(capture.end(), frame.begin(), frame.end());
}

Lines Records(const Lines& lines) {
    Lines records;
    for (const std::string& line : lines)
        if (line.rfind("{\"record\":", 0) == 0)
            records.push_back(line);
    return records;
}

TEST(DecodeLog, ViewsAndRecordsOfAShortRun) {
    Bytes capture;
    Append(capture, {0x08});
    Append(capture, {0x04, 2.0f, 0.5f}, 15); // frames 1..15, 200 ms to 3000 ms
    const ToolRun run = RunLog(capture, "--period 1 --dist 2 --frame-ms 200");
    ASSERT_EQ(run.status, 0) << run.err;
    // Work begins at 200 ms; records fall due at the first tick a whole second later (1200 ms)
    // and then every second on that grid.
    const Lines expected = {
        R"({"view":"pStart","labels":{"lStart":"Старт"}})",
        R"({"view":"pWork","labels":{"lUo":"Uo=4,985В","lUi":"Ui=2,000В","lDi":"Di=0,500дБ"}})",
        R"({"record":0,"T":0,"Ui":2,"m":0.25,"time":"12:00:01"})",
        R"({"record":1,"T":1,"Ui":2,"m":0.25,"time":"12:00:02"})",
    };
    EXPECT_EQ(run.lines, expected);
}

TEST(DecodeLog, AdjustmentShowsTheBlinkingShapesFrameByFrame) {
    Bytes capture;
    Append(capture, {0x02, 0.5f}, 2);
    Append(capture, {0x02, 2.0f}, 2);
    const ToolRun run = RunLog(capture, "");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string head = R"({"view":"pAdjust","labels":{"lMode":"Юстировка","lUa":")";
    const Lines expected = {
        R"({"view":"pStart","labels":{"lStart":"Старт"}})",
        head + R"(0,500В"},"shapes":["iSQ1","iTrL3","iTrR1"]})",
        head + R"(0,500В"},"shapes":["iSQ1","iTrL1","iTrR1"]})",
        head + R"(2,000В"},"shapes":["iSQ3","iTrL1","iTrR1"]})",
    };
    EXPECT_EQ(run.lines, expected); // the fourth frame changes nothing: not printed
}

TEST(DecodeLog, MeasuringAndFaultViews) {
    Bytes capture;
    Append(capture, {0x84});
    Append(capture, {0x04, 2.0f, 0.5f, 0x08});
    const ToolRun run = RunLog(capture, "");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 3u);
    EXPECT_EQ(run.lines[1], R"({"view":"pWork","labels":{"lUi":"Измерение"}})");
    EXPECT_EQ(run.lines[2], R"({"view":"pError","labels":{"lErMode":"Измерение",)"
                            R"("lErBF":"Уровень сигнала меньше нормы"}})");
}

TEST(DecodeLog, PeriodAndDistanceChangeTheRecords) {
    Bytes capture;
    Append(capture, {0x04, 3.0f, 1.5f}, 81); // 0 to 16 s
    const ToolRun one = RunLog(capture, "--period 1 --dist 1,5");
    const ToolRun five = RunLog(capture, "--period 5 --dist 0.3");
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_EQ(five.status, 0) << five.err;
    // Records from the first tick a period after the first frame (1.2 s; 5.1 s), then on
    // that grid up to the last frame at 16 s.
    const Lines r1 = Records(one.lines);
    ASSERT_EQ(r1.size(), 15u);
    EXPECT_EQ(r1[0], R"({"record":0,"T":0,"Ui":3,"m":1,"time":"12:00:01"})");
    EXPECT_EQ(r1[14], R"({"record":14,"T":14,"Ui":3,"m":1,"time":"12:00:15"})");
    const Lines r5 = Records(five.lines);
    ASSERT_EQ(r5.size(), 3u);
    EXPECT_EQ(r5[1], R"({"record":1,"T":5,"Ui":3,"m":5,"time":"12:00:10"})");
    EXPECT_EQ(r5[2], R"({"record":2,"T":10,"Ui":3,"m":5,"time":"12:00:15"})");
}

TEST(DecodeLog, FrameComesBeforeATickAtTheSameInstant) {
    // Frames every 300 ms: the tick at 1200 ms, the first with a record due, follows the
    // faulty frame of that instant, so no record is written then and the time base moves on.
    Bytes capture;
    Append(capture, {0x04}, 4);                // 0, 300, 600, 900 ms
    Append(capture, {0x04, 2.0f, 0.5f, 0x10}); // 1200 ms, faulty
    Append(capture, {0x04}, 5);                // 1500 to 2700 ms
    const ToolRun run = RunLog(capture, "--frame-ms 300");
    ASSERT_EQ(run.status, 0) << run.err;
    const Lines records = Records(run.lines);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], R"({"record":0,"T":0,"Ui":2,"m":0.5,"time":"12:00:02"})");
}

TEST(DecodeLog, BadOptionsAreRefused) {
    const Bytes capture;
    const ToolRun period = RunLog(capture, "--period 31");
    EXPECT_EQ(period.status, 2);
    EXPECT_NE(period.err.find("--period"), std::string::npos);
    EXPECT_EQ(RunLog(capture, "--dist 0.2").status, 2);
    EXPECT_EQ(RunLog(capture, "--frame-ms x").status, 2);
    EXPECT_EQ(RunLog(capture, "--speed 2").status, 2);
    const ToolRun empty = RunLog(capture, "--period 30 --dist 10 --frame-ms 1");
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.lines, Lines{R"({"view":"pStart","labels":{"lStart":"Старт"}})"});
}

} // namespace
