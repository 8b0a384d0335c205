// vels5-decode run on captures built here: frames, status fields, drop counts, errors.
#include "core/link/link_protocol.h"
#include "core/link/status_area.h"
#include "tests/tools/decode_tool.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

using test::RunDecode;
using test::ToolRun;
using test::WriteFile;

void Append(Bytes& capture, std::uint8_t address, std::uint8_t command, const Bytes& payload) {
    std::array<std::uint8_t, core::kFrameBufferSize> out{};
    const std::size_t n = core::BuildFrame(address, command, payload, out);
    ASSERT_GT(n, 0u);
    capture.insert(capture.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
}

// The raw text after "key": up to the next ',' or '}' at the same level (numbers, null,
// strings without commas).
std::string Field(const std::string& line, const std::string& key) {
    const std::string needle = "\"" + key + "\":";
    const std::size_t at = line.find(needle);
    if (at == std::string::npos)
        return "<missing>";
    const std::size_t from = at + needle.size();
    return line.substr(from, line.find_first_of(",}", from) - from);
}

Bytes StatusPayload(const core::StatusArea& area) {
    return Bytes(area.Bytes().begin(), area.Bytes().begin() + core::kStatusPayloadSize);
}

TEST(Vels5Decode, PrintsEveryAcceptedFrameAndTheDropCounts) {
    core::StatusArea area;
    area.SetMode(0x84);
    area.SetDi(0.1f);
    area.SetUi(4.985f);
    area.SetStab(2, -1);
    area.SetAdjustBlank(1);
    core::BlockStatus pd;
    pd.rmsCode = 4096;
    pd.peakCode = 8191;
    pd.tempCode = -300;
    pd.thirdLevel = 1.0f / 3.0f;
    pd.kt = 1e-7f;
    pd.faults = 0x40;
    pd.attenuatorStep = 5;
    area.SetPhotodetector(pd);
    core::BlockStatus em;
    em.rmsCode = 0xC0DB; // bytes that go out stuffed
    em.attenuatorStep = 9;
    area.SetEmitter(em);

    Bytes capture{0x00, 0x55}; // line noise before the first frame
    const std::size_t firstOffset = capture.size();
    Append(capture, core::kNoAddress, core::kCmdStatus, StatusPayload(area));
    Append(capture, 0x03, 0x21, {0xC0, 0x01});                   // other command, with address
    Append(capture, core::kNoAddress, core::kCmdStatus, {0x08}); // short: mode only
    Bytes bad;
    Append(bad, core::kNoAddress, core::kCmdStatus, {0x01});
    bad.back() ^= 0xFF;
    capture.insert(capture.end(), bad.begin(), bad.end());
    capture.insert(capture.end(), {0xC0, 0x20, 0x01, 0xDB, 0x00}); // bad escape
    capture.insert(capture.end(), {0xC0, 0x20, 0x05});             // interrupted ...
    capture.insert(capture.end(), {0xC0, 0x20, 0x01, 0x01, 0x00}); // ... with its successor
    capture.insert(capture.end(), {0xC0, 0x81, 0x20, 0xFC});       // over-long
    capture.insert(capture.end(), {0xC0, 0x20, 0x3F, 0x01});       // incomplete at the end
    const test::TempDir dir;
    const std::string path = dir.File("capture.bin");
    WriteFile(path, capture);

    const ToolRun run = RunDecode("'" + path + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 4u) << run.err;

    const std::string& full = run.lines[0];
    EXPECT_EQ(full.rfind("{\"cmd\":32,\"addr\":null,\"len\":63,", 0), 0u) << full;
    EXPECT_EQ(Field(full, "offset"), std::to_string(firstOffset));
    EXPECT_EQ(Field(full, "mode"), "132");
    EXPECT_EQ(std::strtof(Field(full, "di").c_str(), nullptr), 0.1f);
    EXPECT_EQ(std::strtof(Field(full, "ui").c_str(), nullptr), 4.985f);
    EXPECT_EQ(Field(full, "stab_min"), "2");
    EXPECT_EQ(Field(full, "stab_sec"), "-1");
    EXPECT_EQ(Field(full, "adjust_blank"), "1");
    const std::string pdText =
        full.substr(full.find("\"pd\":{"), full.find("\"em\":{") - full.find("\"pd\":{"));
    const std::string emText = full.substr(full.find("\"em\":{"));
    EXPECT_EQ(Field(pdText, "rms_code"), "4096");
    EXPECT_EQ(Field(pdText, "peak_code"), "8191");
    EXPECT_EQ(Field(pdText, "temp_code"), "-300");
    EXPECT_EQ(std::strtof(Field(pdText, "third").c_str(), nullptr), 1.0f / 3.0f);
    EXPECT_EQ(std::strtof(Field(pdText, "kt").c_str(), nullptr), 1e-7f);
    EXPECT_EQ(Field(pdText, "faults"), "64");
    EXPECT_EQ(Field(pdText, "att"), "5");
    EXPECT_EQ(Field(emText, "rms_code"), std::to_string(0xC0DB));
    EXPECT_EQ(Field(emText, "att"), "9");

    EXPECT_EQ(run.lines[1].rfind("{\"cmd\":33,\"addr\":3,\"len\":2,", 0), 0u) << run.lines[1];
    EXPECT_EQ(Field(run.lines[1], "payload"), "\"c001\"");

    // The short status frame changes the mode; the rest of the area stays.
    EXPECT_EQ(Field(run.lines[2], "mode"), "8");
    EXPECT_EQ(std::strtof(Field(run.lines[2], "ui").c_str(), nullptr), 4.985f);

    EXPECT_EQ(run.lines[3], "{\"frames\":3,\"status\":2,\"dropped\":{\"bad_crc\":1,"
                            "\"bad_escape\":1,\"interrupted\":1,\"overlong\":1}}");
}

TEST(Vels5Decode, ReadsStandardInput) {
    Bytes capture;
    Append(capture, 0x01, core::kCmdStatus, {0x04});
    const test::TempDir dir;
    const std::string path = dir.File("stdin_capture.bin");
    WriteFile(path, capture);
    for (const std::string& args : {"< '" + path + "'", "- < '" + path + "'"}) {
        const ToolRun run = RunDecode(args);
        EXPECT_EQ(run.status, 0) << args;
        ASSERT_EQ(run.lines.size(), 2u) << args;
        EXPECT_EQ(Field(run.lines[0], "addr"), "1");
        EXPECT_EQ(run.lines[1], "{\"frames\":1,\"status\":1,\"dropped\":{\"bad_crc\":0,"
                                "\"bad_escape\":0,\"interrupted\":0,\"overlong\":0}}");
    }
}

TEST(Vels5Decode, NaNAndInfinityStayValidJson) {
    core::StatusArea area;
    area.SetDi(std::numeric_limits<float>::quiet_NaN());
    area.SetUi(-std::numeric_limits<float>::infinity());
    Bytes capture;
    Append(capture, core::kNoAddress, core::kCmdStatus, StatusPayload(area));
    const test::TempDir dir;
    const std::string path = dir.File("nan_capture.bin");
    WriteFile(path, capture);
    const ToolRun run = RunDecode("'" + path + "'");
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_EQ(Field(run.lines[0], "di"), "\"NaN\"");
    EXPECT_EQ(Field(run.lines[0], "ui"), "\"-Infinity\"");
}

TEST(Vels5Decode, UnreadableInputExitsWithStatus2) {
    const test::TempDir dir;
    const std::string missing = dir.File("no_such_capture.bin");
    const ToolRun run = RunDecode("'" + missing + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.lines.empty());
    EXPECT_NE(run.err.find("cannot read '" + missing + "'"), std::string::npos) << run.err;

    const ToolRun directory = RunDecode("'" + dir.Path().string() + "'");
    EXPECT_EQ(directory.status, 2);
    EXPECT_NE(directory.err.find("cannot read"), std::string::npos) << directory.err;
}

TEST(Vels5Decode, WrongArgumentsExitWithStatus2) {
    const ToolRun option = RunDecode("--frobnicate");
    EXPECT_EQ(option.status, 2);
    EXPECT_NE(option.err.find("--frobnicate"), std::string::npos);
    const ToolRun two = RunDecode("a.bin b.bin");
    EXPECT_EQ(two.status, 2);
}

TEST(Vels5Decode, HelpExplainsTheOutput) {
    const ToolRun run = RunDecode("--help");
    EXPECT_EQ(run.status, 0);
    std::string text;
    for (const std::string& line : run.lines)
        text += line + "\n";
    for (const char* word : {"Usage:", "stty", "\"cmd\"", "addr", "offset", "pd", "em", "bad_crc",
                             "overlong", "Exit status"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
}

} // namespace
