// Journal lines read back: every record the writer can format (all magnitudes, every
// delimiter a setting can give, both unit forms) reads back through the journal and table
// readers; a damaged journal gives every line that is still whole.
#include "core/common/cp1251.h"
#include "core/common/date_time.h"
#include "core/common/format.h"
#include "core/files/table_file.h"
#include "core/journal/journal_store.h"
#include "core/log/record_log.h"
#include "core/settings/settings_file.h"
#include "core/table/table_row.h"
#include "tests/common/temp_dir.h"

#include <cfloat>
#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kDay = 46023.0; // 2026-01-01
constexpr double kSecond = 1.0 / 86400.0;

// Every one-character delimiter a "FormTabl Delim" setting can give.
std::vector<std::string> AllowedDelimiters() {
    std::vector<std::string> delims;
    for (int b = 1; b < 256; ++b) {
        const std::string utf8 = core::Cp1251ToUtf8(std::string(1, static_cast<char>(b)));
        if (core::DelimiterFromSetting(utf8) == utf8)
            delims.push_back(utf8);
    }
    return delims;
}

// Values across every magnitude a float record can hold: the fixed form with and without
// grouping, the exponent form up to the float's largest, values that round to zero, both
// signs, and the edges where the form changes.
std::vector<float> Values() {
    std::vector<float> v{0.0f,    0.0004f, 0.0005f, 0.001f,     4.321f,   999.9994f, 999.9996f,
                         1000.0f, 1234.6f, 9999.9f, 12345.678f, 99999.4f, 99999.5f,  123456.0f,
                         1.0e6f,  2.5e10f, 1.0e30f, FLT_MAX,    FLT_MIN,  1.0e-30f};
    std::mt19937 random(20261209);
    std::uniform_real_distribution<float> mantissa(1.0f, 10.0f);
    for (int exponent = -6; exponent <= 38; ++exponent)
        for (int k = 0; k < 3; ++k)
            v.push_back(std::fmin(mantissa(random) * std::pow(10.0f, exponent), FLT_MAX));
    const std::size_t n = v.size();
    for (std::size_t i = 0; i < n; ++i)
        v.push_back(-v[i]);
    return v;
}

// A log whose records carry each value as Ui and, shifted by one, as m.
core::RecordLog LogOf(const std::vector<float>& values) {
    core::RecordLog log;
    for (std::size_t i = 0; i < values.size(); ++i) {
        core::MeasurementRecord& r = log[static_cast<int>(i)];
        r.Ui = values[i];
        r.m = values[(i + 1) % values.size()];
        r.T = static_cast<std::uint16_t>(i * 7 % 65'536);
        r.Time = kDay + 0.5 + static_cast<double>(i) * 7 * kSecond;
    }
    log.SetCount(static_cast<int>(values.size()));
    return log;
}

// The record as the row shows it: what must survive the file.
std::string Shown(const core::MeasurementRecord& record) {
    const core::MeasurementRecord r = record; // packed fields: read by value
    return core::FormatTimeOfDay(r.Time) + "|" + std::to_string(r.T) + "|" +
           core::FormatDecimal(r.Ui, 5, 3) + "|" + core::FormatDecimal(r.m, 5, 3);
}

TEST(JournalRoundTrip, EveryRecordTheWriterFormatsReadsBack) {
    const std::vector<std::string> delims = AllowedDelimiters();
    ASSERT_GT(delims.size(), 150u); // letters, punctuation, the upper half of the code page
    const std::vector<float> values = Values();
    const core::RecordLog log = LogOf(values);
    int failures = 0;
    for (const std::string& delim : delims) {
        for (const bool isUnit : {true, false}) {
            const std::string bytes = core::FormatLogFile(log, delim, isUnit);
            const core::TableFileLoad journal = core::ReadJournalTable(bytes, delim, isUnit);
            const core::TableFileLoad table = core::ReadTableFile(bytes, delim, isUnit);
            if (!table || !journal || journal.skippedLines != 0) {
                ADD_FAILURE() << "delimiter '" << delim << "' (" << delim.size() << " bytes, first "
                              << int(static_cast<unsigned char>(delim[0])) << ") units " << isUnit
                              << ": " << (table ? "journal" : table.refusal->message);
                continue;
            }
            ASSERT_EQ(journal.records.size(), values.size());
            for (std::size_t i = 0; i < values.size(); ++i) {
                const std::string expected = Shown(log[static_cast<int>(i)]);
                if (Shown(journal.records[i]) != expected || Shown(table.records[i]) != expected) {
                    if (++failures < 10)
                        ADD_FAILURE() << "delimiter '" << delim << "' units " << isUnit << ": "
                                      << expected << " read as " << Shown(journal.records[i]);
                }
            }
            // A row in the window, saved and loaded again, is the same row.
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (log[static_cast<int>(i)].T < 10'000) {
                    EXPECT_EQ(table.rows[i],
                              core::FormatTableRow(log[static_cast<int>(i)], delim, isUnit));
                }
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(JournalRoundTrip, GroupedAndExponentValuesReadAsWritten) {
    const std::string line =
        core::Utf8ToCp1251("12:34:56;    5;   4,985В;   1\u00A0234,600В;   -1,2346E5дБ/м\r\n");
    const core::TableFileLoad load = core::ReadTableFile(line, ";", true);
    ASSERT_TRUE(load) << load.refusal->message;
    const core::MeasurementRecord r = load.records[0];
    EXPECT_FLOAT_EQ(r.Ui, 1234.6f);
    EXPECT_FLOAT_EQ(r.m, -123460.0f);
    EXPECT_EQ(load.rows[0], "12:34:56;    5;   4,985В;   1\u00A0234,600В;   -1,2346E5дБ/м");
}

TEST(JournalDelimiter, OneThatWouldMakeRowsUnreadableIsRefusedWhenRead) {
    for (const char* bad : {"5", "0", ",", "-", " ", "\t", "\u00A0", "\x7F", "\u20AC\u20AC"})
        EXPECT_EQ(core::DelimiterFromSetting(bad), bad[0] == '\xE2' ? "\u20AC" : ";") << bad;
    EXPECT_EQ(core::DelimiterFromSetting("|x"), "|");
    EXPECT_EQ(core::DelimiterFromSetting("В"), "В");
    EXPECT_EQ(core::DelimiterFromSetting("\u4E2D"), ";"); // not in the code page
    const core::SettingsLoad load =
        core::ParseSettings(core::Utf8ToCp1251("FormTabl Delim=7\r\n"), core::Settings{});
    EXPECT_EQ(load.values.table.Delim, ";");
}

// Lines 0 .. n-1 of a journal and where each begins; the file ends after the last.
struct Journal {
    std::string bytes;
    std::vector<std::size_t> starts;
};

Journal MakeJournal(int records) {
    std::vector<float> values;
    for (int i = 0; i < records; ++i)
        values.push_back(static_cast<float>(i) * 37.25f - 2000.0f);
    const std::string bytes = core::FormatLogFile(LogOf(values), ";", true);
    Journal j{bytes, {0}};
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == '\n')
            j.starts.push_back(i + 1);
    return j;
}

// The records of the lines that lie wholly outside [from, to).
std::vector<std::string> UntouchedRecords(const Journal& j, std::size_t from, std::size_t to,
                                          const core::TableFileLoad& whole) {
    std::vector<std::string> kept;
    for (std::size_t k = 0; k < j.starts.size(); ++k) {
        const std::size_t end = k + 1 < j.starts.size() ? j.starts[k + 1] : j.bytes.size();
        if (end <= from || j.starts[k] >= to)
            kept.push_back(Shown(whole.records[k]));
    }
    return kept;
}

TEST(JournalRecovery, ZeroedBlockLosesOnlyTheLinesItTouches) {
    const Journal journal = MakeJournal(400);
    const core::TableFileLoad whole = core::ReadJournalTable(journal.bytes, ";", true);
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole.records.size(), 400u);
    ASSERT_GT(journal.bytes.size(), 4u * 4096);
    // A block on the disk's 4 KB grid, and one that ends right where a line begins.
    const std::size_t lineStart = journal.starts[250];
    for (const std::size_t from : {std::size_t{4096}, lineStart - 4096}) {
        std::string damaged = journal.bytes;
        std::fill(damaged.begin() + static_cast<long>(from),
                  damaged.begin() + static_cast<long>(from + 4096), '\0');
        const core::TableFileLoad load = core::ReadJournalTable(damaged, ";", true);
        ASSERT_TRUE(load) << load.refusal->message;
        std::vector<std::string> read;
        for (const core::MeasurementRecord& r : load.records)
            read.push_back(Shown(r));
        const std::vector<std::string> expected =
            UntouchedRecords(journal, from, from + 4096, whole);
        EXPECT_EQ(read, expected) << "block at " << from;
        EXPECT_GE(load.skippedLines, 1);
        EXPECT_LE(load.skippedLines, 2);
    }
}

TEST(JournalRecovery, BadLinesAreSkippedAndToldInTheQuestion) {
    test::TempDir dir;
    const std::string path = dir.File("2026-01-31_14-05-09.txt");
    Journal journal = MakeJournal(30);
    // A NaN as an older program wrote it, a line cut after its Ui, and a zeroed block at the
    // end as a power cut leaves it.
    std::string bytes =
        journal.bytes.substr(0, journal.starts[10]) +
        core::Utf8ToCp1251("12:34:56;   10;   4,985В;   NANВ;   0,100дБ/м\r\n") +
        journal.bytes.substr(journal.starts[10], journal.starts[20] - journal.starts[10]) +
        core::Utf8ToCp1251("12:34:57;   11;   4,985В;   4,321В\r\n") +
        journal.bytes.substr(journal.starts[20]) + std::string(4096, '\0');
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);

    const core::JournalEntry entry = core::ReadJournal(path);
    EXPECT_TRUE(entry.readable);
    EXPECT_EQ(entry.records, 30);
    EXPECT_EQ(entry.skippedLines, 2);
    ASSERT_EQ(core::JournalsToOffer({entry}).size(), 1u);
    const std::string question = core::RecoveryQuestion(entry);
    EXPECT_NE(question.find("(30 записей; пропущено строк: 2). Открыть?"), std::string::npos)
        << question;
}

TEST(JournalRecovery, NothingReadableIsRefused) {
    EXPECT_EQ(core::ReadJournalTable("", ";", true).refusal->message, core::table_text::kEmpty);
    const core::TableFileLoad zeros =
        core::ReadJournalTable(std::string(4096, '\0') + "\r\n", ";", true);
    ASSERT_FALSE(zeros);
    EXPECT_EQ(zeros.refusal->message, core::table_text::kEmpty);
    const core::TableFileLoad bad = core::ReadJournalTable("garbage\r\nINF\r\n", ";", true);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.refusal->message, core::table_text::kDamaged);
    EXPECT_EQ(bad.refusal->line, 1);
    EXPECT_EQ(bad.skippedLines, 2);
}

} // namespace
