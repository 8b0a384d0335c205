// The table window's rows as the records they show: a row keeps naming its record while the
// log grows and names none once the log was emptied or replaced.
#include "core/files/table_file.h"
#include "core/table/table_row.h"
#include "core/table/table_rows.h"

#include <gtest/gtest.h>

namespace {

constexpr double kSecond = 1.0 / 86400.0;
const double kStart = 46'000.5;

// A log of `records` one-second records from `start`, m = 0,1 × the record's index.
void Record(core::RecordLog& log, double start, int records) {
    double now = start;
    log.Accumulate(core::SteadyAt(now), 4.5f, 0);
    for (int i = 0; i < records; ++i) {
        now += kSecond;
        log.Accumulate(core::SteadyAt(now), 4.5f, 0.1 * i);
        log.Tick(core::SteadyAt(now), 1, false);
    }
}

TEST(TableRows, RowsNameTheirRecordsAfterErasingAndWhileTheLogGrows) {
    core::RecordLog log;
    Record(log, kStart, 5);
    core::TableRows rows;
    rows.ShowWholeLog(log);
    EXPECT_TRUE(rows.ShowsWholeLog(log));
    const int erased[] = {0, 2};
    rows.Erase(erased);
    ASSERT_EQ(rows.Size(), 3);
    EXPECT_EQ(rows.RecordAt(0, log), 1);
    EXPECT_EQ(rows.RecordAt(1, log), 3);
    EXPECT_EQ(rows.RecordAt(2, log), 4);
    EXPECT_EQ(rows.RecordAt(3, log), std::nullopt);
    EXPECT_FALSE(rows.ShowsWholeLog(log));
    EXPECT_EQ(rows.RowsOfLog(log), 3);

    // A record written later is appended to the same log: the rows still name theirs.
    double now = kStart + 6 * kSecond;
    log.Accumulate(core::SteadyAt(now), 4.5f, 2.0);
    ASSERT_EQ(log.Tick(core::SteadyAt(now), 1, false).outcome, core::TickOutcome::Written);
    rows.Append(log, log.Count() - 1);
    const int picked[] = {1, 3};
    const auto records = rows.RecordsAt(picked, log);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 2u);
    EXPECT_EQ((*records)[0].T, log[3].T);
    EXPECT_EQ((*records)[1].T, log[5].T);
}

TEST(TableRows, ARowOfAnEmptiedOrReplacedLogNamesNoRecord) {
    const struct {
        const char* what;
        void (*change)(core::RecordLog&);
    } cases[] = {
        {"reset", [](core::RecordLog& log) { log.SetCount(0); }},
        {"a new log begun by the meter",
         [](core::RecordLog& log) {
             log.SetIdle();
             Record(log, kStart + 1, 5);
         }},
        {"a loaded table file",
         [](core::RecordLog& log) {
             core::RecordLog other;
             Record(other, kStart + 1, 7);
             ASSERT_TRUE(core::ApplyTableLoad(
                 core::ReadTableFile(core::FormatLogFile(other, ";", false), ";", false), log));
         }},
        {"assigned over", [](core::RecordLog& log) {
             core::RecordLog other;
             Record(other, kStart + 1, 5);
             log = other;
         }}};
    for (const auto& c : cases) {
        core::RecordLog log;
        Record(log, kStart, 5);
        core::TableRows rows;
        rows.ShowWholeLog(log);
        c.change(log);
        EXPECT_EQ(rows.RecordAt(0, log), std::nullopt) << c.what;
        const int all[] = {0, 1, 2, 3, 4};
        EXPECT_FALSE(rows.RecordsAt(all, log)) << c.what;
        EXPECT_EQ(rows.RowsOfLog(log), 0) << c.what;
        EXPECT_FALSE(rows.ShowsWholeLog(log)) << c.what;
        // Rows made after the change name the new records.
        rows.ShowWholeLog(log);
        if (log.Count() > 0) {
            EXPECT_EQ(rows.RecordAt(0, log), 0) << c.what;
        }
    }
}

} // namespace
