#include "core/common/date_time.h"
#include "core/table/table_row.h"

#include <gtest/gtest.h>

namespace {

core::MeasurementRecord Record(int t, float ui, float m) {
    core::MeasurementRecord r;
    r.Ui = ui;
    r.m = m;
    r.T = static_cast<std::uint16_t>(t);
    r.Time = core::EncodeDateTime({2026, 3, 1, 12, 34, 56, 0});
    return r;
}

TEST(TableRow, SampleRowsWithAndWithoutUnits) {
    const auto r = Record(5, 4.321f, 0.123f);
    EXPECT_EQ(core::FormatTableRow(r, ";", true),
              "12:34:56;    5;   4,985В;   4,321В;   0,123дБ/м");
    EXPECT_EQ(core::FormatTableRow(r, ";", false), "12:34:56;    5;   4,985;    4,321;    0,123");
}

TEST(TableRow, TimePieceIsPaddedToFiveCharactersWithItsDelimiter) {
    EXPECT_EQ(core::FormatTableRow(Record(1234, 0, 0), ";", false).substr(0, 15),
              "12:34:56; 1234;");
    // Six characters already: only the single space of the separator stays before it.
    EXPECT_EQ(core::FormatTableRow(Record(12345, 0, 0), ";", false).substr(0, 16),
              "12:34:56; 12345;");
    // A two-byte delimiter still counts as one character.
    EXPECT_EQ(core::FormatTableRow(Record(5, 0, 0), "\xC2\xA7", false).substr(0, 17),
              "12:34:56\xC2\xA7    5\xC2\xA7");
}

TEST(TableRow, LogFileLinesUseThreeSpacesWithoutUnits) {
    const auto r = Record(5, 4.321f, 0.123f);
    EXPECT_EQ(core::FormatTableRow(r, ";", false, core::RowSpacing::LogFile),
              "12:34:56;    5;   4,985;   4,321;   0,123");
    EXPECT_EQ(core::FormatTableRow(r, ";", true, core::RowSpacing::LogFile),
              core::FormatTableRow(r, ";", true));
}

TEST(TableRow, LogFileIsWindows1251WithCrLfAfterEveryRecord) {
    core::RecordLog log;
    EXPECT_EQ(core::FormatLogFile(log, ";", true), "");
    log[0] = Record(0, 4.5f, 0.0f);
    log[1] = Record(1, 4.25f, 0.5f);
    log.SetCount(2);
    EXPECT_EQ(core::FormatLogFile(log, ";", true),
              "12:34:56;    0;   4,985\xC2;   4,500\xC2;   0,000\xE4\xC1/\xEC\r\n"
              "12:34:56;    1;   4,985\xC2;   4,250\xC2;   0,500\xE4\xC1/\xEC\r\n");
}

} // namespace
