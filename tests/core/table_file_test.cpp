#include "core/common/cp1251.h"
#include "core/common/date_time.h"
#include "core/files/table_file.h"
#include "core/settings/settings_file.h"
#include "core/table/table_row.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using core::FileRefusal;
using core::ReadTableFile;

// The sample rows in UTF-8, and the first one as file bytes.
const std::string kUnitRow = "12:34:56;    5;   4,985В;   4,321В;   0,123дБ/м";
const std::string kPlainRow = "12:34:56;    5;   4,985;    4,321;    0,123";

std::string File(std::initializer_list<std::string> rowsUtf8) {
    std::string text;
    for (const std::string& row : rowsUtf8)
        text += row + "\r\n";
    return core::Utf8ToCp1251(text);
}

int Seconds(double timeOfDay) {
    return static_cast<int>(std::lround(timeOfDay * core::kSecondsPerDay));
}

void ExpectRefused(const core::TableFileLoad& load, std::string_view message, int line,
                   FileRefusal::Kind kind = FileRefusal::Kind::Notice) {
    ASSERT_FALSE(load);
    EXPECT_EQ(load.refusal->message, message);
    EXPECT_EQ(load.refusal->line, line);
    EXPECT_EQ(load.refusal->kind, kind);
    EXPECT_TRUE(load.records.empty());
    EXPECT_TRUE(load.rows.empty());
}

TEST(TableFile, SampleRowLoadsAndIsRebuiltBothWays) {
    const auto load = ReadTableFile(File({kUnitRow}), ";", false);
    ASSERT_TRUE(load);
    ASSERT_EQ(load.records.size(), 1u);
    const core::MeasurementRecord r = load.records[0];
    EXPECT_EQ(Seconds(r.Time), 12 * 3600 + 34 * 60 + 56);
    EXPECT_LT(double(r.Time), 1.0); // the time of day only
    EXPECT_EQ(int(r.T), 5);
    EXPECT_FLOAT_EQ(r.Ui, 4.321f);
    EXPECT_FLOAT_EQ(r.m, 0.123f);
    EXPECT_EQ(load.rows[0], kPlainRow);
    EXPECT_EQ(ReadTableFile(File({kPlainRow}), ";", true).rows[0], kUnitRow);
    EXPECT_EQ(ReadTableFile(File({kUnitRow}), ";", true).rows[0], kUnitRow);
}

TEST(TableFile, RowsAreRebuiltWithTheCurrentDelimiterAndFieldTextsAsTheyStand) {
    const auto load = ReadTableFile(File({"01:02:03|0007|4,98|4,5|1,25"}), "\xC2\xA7", false);
    ASSERT_TRUE(load);
    EXPECT_EQ(load.rows[0], "01:02:03\xC2\xA7 0007\xC2\xA7   4,98\xC2\xA7    4,5\xC2\xA7    1,25");
    EXPECT_EQ(int(load.records[0].T), 7);
}

TEST(TableFile, FiveDigitTHasOneSpaceFewerThanALiveRow) {
    core::MeasurementRecord r;
    r.T = 12345;
    r.Ui = 1.5f;
    r.m = 0.25f;
    r.Time = core::EncodeDateTime({2026, 1, 1, 10, 0, 0, 0});
    const std::string live = core::FormatTableRow(r, ";", false);
    const auto load = ReadTableFile(File({live}), ";", false);
    ASSERT_TRUE(load);
    EXPECT_EQ(live.substr(0, 16), "10:00:00; 12345;");
    EXPECT_EQ(load.rows[0].substr(0, 15), "10:00:00;12345;");
    EXPECT_EQ(load.rows[0].substr(15), live.substr(16));
}

TEST(TableFile, LineBreaksOfEveryKind) {
    const std::string a = "10:00:00;    1;   4,985;    1,000;    0,100";
    const std::string b = "10:00:01;    2;   4,985;    2,000;    0,200";
    const std::string c = "10:00:02;    3;   4,985;    3,000;    0,300";
    for (const std::string& text :
         {a + "\r\n" + b + "\r" + c + "\n", a + "\n" + b + "\r\n" + c, a + "\r" + b + "\n" + c}) {
        const auto load = ReadTableFile(text, ";", false);
        ASSERT_TRUE(load) << text;
        ASSERT_EQ(load.records.size(), 3u);
        EXPECT_EQ(int(load.records[2].T), 3);
        EXPECT_EQ(load.rows, (std::vector<std::string>{a, b, c}));
    }
    // An empty line inside the file stays a line, and an empty line cannot convert.
    ExpectRefused(ReadTableFile(a + "\r\n\r\n" + b + "\r\n", ";", false), "'' is not a valid time",
                  2, FileRefusal::Kind::Conversion);
}

TEST(TableFile, NoLineIsTheEmptyFileButOneBreakIsOneEmptyLine) {
    ExpectRefused(ReadTableFile("", ";", false), "Файл таблицы пустой", 0);
    ExpectRefused(ReadTableFile("\r\n", ";", false), "'' is not a valid time", 1,
                  FileRefusal::Kind::Conversion);
}

// Each damaged line trips exactly one of the five checks: the field before it read well.
TEST(TableFile, EachCheckRefusesTheLineThatRunsOutBeforeItsField) {
    const std::string good = "10:00:00;    1;   4,985;    1,000;    0,100";
    const struct {
        const char* name;
        std::string line;
    } cases[] = {
        {"check 1: only digits after the time", "10:00:00;   12"},
        {"check 2: T, then digits and a comma to the end", "10:00:00;  1;4,98"},
        {"check 3: no digit after Uo", "10:00:00;  1;4,985;   x"},
        {"check 4: the line ends right after Ui", "10:00:00;  1;4,985;  4,321"},
        {"check 4: only a delimiter after Ui", "10:00:00;  1;4,985;  4,321;"},
        {"check 5: no digit after Ui", "10:00:00;  1;4,985;  4,321;  ;"},
        {"check 5: only a delimiter after Ui and its own", "10:00:00;  1;4,985;  4,321;;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectRefused(ReadTableFile(File({good, good, good, c.line}), ";", true),
                      "Файл таблицы повреждён", 4);
    }
}

TEST(TableFile, ConversionErrorsNameTheOffendingText) {
    const struct {
        std::string line;
        std::string message;
    } cases[] = {
        {"1O:00:00;    1;   4,985;    1,000;    0,100", "'1O:00:00' is not a valid time"},
        {"24:00:00;    1;   4,985;    1,000;    0,100", "'24:00:00' is not a valid time"},
        {"10:00:00;    x1;   4,985;    1,000;    0,100", "'' is not a valid integer value"},
        {"10:00:00;    1;   4,985;    1" + std::string(40, '0') + ";    0,100",
         "'1" + std::string(40, '0') + "' is not a valid floating point value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ExpectRefused(ReadTableFile(File({c.line}), ";", false), c.message, 1,
                      FileRefusal::Kind::Conversion);
    }
}

// A one-digit m read from the middle of a line is rebuilt at the row's end; that row, saved
// and loaded again, reads back.
TEST(TableFile, RebuiltRowWithAOneDigitMReadsBack) {
    const auto load =
        ReadTableFile(File({"10:00:00;    1;   4,985;    1,000;    7дБ/м"}), ";", false);
    ASSERT_TRUE(load);
    EXPECT_EQ(load.rows[0], "10:00:00;    1;   4,985;    1,000;    7");
    const auto again = ReadTableFile(core::FormatTableFile(load.rows), ";", false);
    ASSERT_TRUE(again);
    EXPECT_FLOAT_EQ(again.records[0].m, 7.0f);
    EXPECT_EQ(again.rows, load.rows);
}

TEST(TableFile, MFieldMayEndTheLineAndSuffixesAreSkipped) {
    const auto load = ReadTableFile(
        File({"10:00:00;    1;   4,985В;   1,000В;   0,5", "10:00:00;2;4,985;3;7,25xyz"}), ";",
        false);
    ASSERT_TRUE(load);
    EXPECT_FLOAT_EQ(load.records[0].m, 0.5f);
    EXPECT_FLOAT_EQ(load.records[1].Ui, 3.0f);
    EXPECT_FLOAT_EQ(load.records[1].m, 7.25f);
}

TEST(TableFile, NegativeValuesKeepTheirSign) {
    const auto load =
        ReadTableFile(File({"10:00:00;    1;   4,985В;   -1,500В;   -0,012дБ/м"}), ";", false);
    ASSERT_TRUE(load);
    EXPECT_FLOAT_EQ(load.records[0].Ui, -1.5f);
    EXPECT_FLOAT_EQ(load.records[0].m, -0.012f);
    EXPECT_EQ(load.rows[0], "10:00:00;    1;   4,985;    -1,500;    -0,012");
    // A minus that is not right before the digits is not a sign.
    const auto apart = ReadTableFile(File({"10:00:00;1;4,985;- 1,5;- 0,25"}), ";", false);
    ASSERT_TRUE(apart);
    EXPECT_FLOAT_EQ(apart.records[0].Ui, 1.5f);
    EXPECT_FLOAT_EQ(apart.records[0].m, 0.25f);
}

TEST(TableFile, OutOfRangeNumbersAreRefused) {
    ExpectRefused(ReadTableFile(File({"10:00:00; 65536;   4,985;    1,000;    0,100"}), ";", false),
                  "Файл таблицы повреждён", 1);
    EXPECT_EQ(int(ReadTableFile(File({"10:00:00; 65535;   4,985;    1,000;    0,100"}), ";", false)
                      .records.at(0)
                      .T),
              65535);
    const std::string huge = "-" + std::string(50, '9');
    ExpectRefused(
        ReadTableFile(File({"10:00:00;    1;   4,985;    1,000;    " + huge}), ";", false),
        "'" + huge + "' is not a valid floating point value", 1, FileRefusal::Kind::Conversion);
}

TEST(TableFile, MoreLinesThanTheLogHoldsAreRefusedWhole) {
    std::string text;
    const std::string line = core::Utf8ToCp1251(kPlainRow) + "\r\n";
    for (int i = 0; i < core::RecordLog::kMaxRecords; ++i)
        text += line;
    EXPECT_TRUE(ReadTableFile(text, ";", false));
    text += line;
    ExpectRefused(ReadTableFile(text, ";", false), "Файл таблицы длиннее 32\u00A0767 строк", 32768);
}

TEST(TableFile, RefusedLoadLeavesTheLogAsItWas) {
    core::RecordLog log;
    log[0].T = 77;
    log[3].T = 99;
    log.SetCount(1);
    const auto load =
        ReadTableFile(File({kPlainRow, kPlainRow, kPlainRow, "10:00:00;x"}), ";", false);
    EXPECT_FALSE(core::ApplyTableLoad(load, log));
    EXPECT_EQ(log.Count(), 1);
    EXPECT_EQ(int(log[0].T), 77);
    EXPECT_EQ(int(log[3].T), 99);
}

TEST(TableFile, AcceptedLoadReplacesTheRecordsAndCount) {
    core::RecordLog log;
    log.SetCount(10);
    EXPECT_TRUE(core::ApplyTableLoad(ReadTableFile(File({kPlainRow, kUnitRow}), ";", false), log));
    EXPECT_EQ(log.Count(), 2);
    EXPECT_EQ(int(log[1].T), 5);
    EXPECT_FLOAT_EQ(log[1].m, 0.123f);
}

// A full log through the writer of the save offer and back through the reader.
TEST(TableFile, FullLogRoundTrip) {
    core::RecordLog log;
    const double start = core::EncodeDateTime({2026, 1, 1, 23, 59, 0, 0});
    for (int i = 0; i < core::RecordLog::kMaxRecords; ++i) {
        log[i].T = static_cast<std::uint16_t>(i * 2);
        log[i].Time = start + i * 2 / core::kSecondsPerDay;
        log[i].Ui = static_cast<float>(4.9 - (i % 4000) * 0.001);
        log[i].m = static_cast<float>((i % 2000) * 0.013 - 1.0);
    }
    log.SetCount(core::RecordLog::kMaxRecords);
    for (const bool isUnit : {true, false}) {
        SCOPED_TRACE(isUnit);
        const auto load = ReadTableFile(core::FormatLogFile(log, ";", isUnit), ";", !isUnit);
        ASSERT_TRUE(load);
        ASSERT_EQ(load.records.size(), static_cast<std::size_t>(core::RecordLog::kMaxRecords));
        for (int i = 0; i < core::RecordLog::kMaxRecords; ++i) {
            const core::MeasurementRecord in = log[i];
            const core::MeasurementRecord out = load.records[static_cast<std::size_t>(i)];
            ASSERT_EQ(int(out.T), int(in.T)) << i;
            ASSERT_EQ(Seconds(out.Time), (Seconds(in.Time - std::floor(in.Time))) % 86400) << i;
            ASSERT_NEAR(out.Ui, in.Ui, 0.0005 + 1e-6) << i;
            ASSERT_NEAR(out.m, in.m, 0.0005 + 1e-6) << i;
            ASSERT_EQ(core::FormatDecimal(out.m, 5, 3), core::FormatDecimal(in.m, 5, 3)) << i;
        }
    }
}

TEST(TableFile, RowsAreWrittenAsWindows1251WithCrLf) {
    EXPECT_EQ(core::FormatTableFile({}), "");
    const std::vector<std::string> rows{kUnitRow, kPlainRow};
    EXPECT_EQ(core::FormatTableFile(rows),
              "12:34:56;    5;   4,985\xC2;   4,321\xC2;   0,123\xE4\xC1/\xEC\r\n" +
                  core::Utf8ToCp1251(kPlainRow) + "\r\n");
}

TEST(TableFile, TimeOfDayFormats) {
    EXPECT_EQ(Seconds(*core::ParseTimeOfDay("1:02:03").value), 3723);
    EXPECT_EQ(Seconds(*core::ParseTimeOfDay(" 23:59 ").value), 86340);
    for (const char* bad : {"", "12", "12:", "12:3:", "123:00", "12:60:00", "12:00:60", "1:2:3:4",
                            "12.00.00", "-1:00:00"})
        EXPECT_FALSE(core::ParseTimeOfDay(bad)) << bad;
    EXPECT_EQ(core::ParseTimeOfDay("25:00").error, "'25:00' is not a valid time");
}

TEST(TableDelimiter, SettingIsCutToItsFirstCharacter) {
    EXPECT_EQ(core::DelimiterFromSetting(""), ";");
    EXPECT_EQ(core::DelimiterFromSetting("|"), "|");
    EXPECT_EQ(core::DelimiterFromSetting(";;"), ";");
    EXPECT_EQ(core::DelimiterFromSetting("\xC2\xA7x"), "\xC2\xA7");
    const std::string file = "FormTabl Delim=\xA7\xA7\r\n"; // Windows-1251 bytes
    EXPECT_EQ(core::ParseSettings(file, core::Settings{}).values.table.Delim, "\xC2\xA7");
    EXPECT_EQ(core::ParseSettings("FormTabl Delim=\r\n", core::Settings{}).values.table.Delim, ";");
}

} // namespace
