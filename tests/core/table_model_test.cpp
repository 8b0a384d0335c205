// The table's rows as a model of the log: each row's text is its record in the table's current
// format, a table file holds the rows of the current log only, and a loaded file's rows keep
// the lines the reader rebuilt.
#include "core/common/cp1251.h"
#include "core/files/table_file.h"
#include "core/table/table_model.h"
#include "core/table/table_row.h"

#include <gtest/gtest.h>

namespace {

constexpr double kSecond = 1.0 / 86400.0;
const double kStart = 46'000.5;

// `records` one-second records from `start`, m = 0,1 × the record's index.
void Record(core::RecordLog& log, double start, int records) {
    double now = start;
    log.Accumulate(core::SteadyAt(now), 4.5f, 0);
    for (int i = 0; i < records; ++i) {
        now += kSecond;
        log.Accumulate(core::SteadyAt(now), 4.5f, 0.1 * i);
        log.Tick(core::SteadyAt(now), 1, false);
    }
}

// The table-file bytes of `indices` of `log` in `view`, each line made by the row formatter.
std::string FileOf(const core::RecordLog& log, std::initializer_list<int> indices,
                   const core::TableView& view) {
    std::vector<std::string> rows;
    for (const int i : indices)
        rows.push_back(core::FormatTableRow(log[i], view.Delim, view.IsUnit));
    return core::FormatTableFile(rows);
}

TEST(TableModel, ASaveAfterErasingAndANewFormatWritesTheShownRecordsInThatFormat) {
    core::RecordLog log;
    Record(log, kStart, 5);
    core::TableModel model(log);
    model.ShowWholeLog();
    const int erased[] = {1, 3};
    model.Erase(erased);
    EXPECT_EQ(model.FileBytes(), FileOf(log, {0, 2, 4}, model.View()));

    core::TableView view;
    view.Delim = "§";
    view.IsUnit = true;
    EXPECT_TRUE(model.SetView(view));
    EXPECT_FALSE(model.SetView(view));
    EXPECT_EQ(model.FileBytes(), FileOf(log, {0, 2, 4}, view));
    ASSERT_EQ(model.Size(), 3);
    EXPECT_EQ(model.Text(1), core::FormatTableRow(log[2], "§", true));
    EXPECT_TRUE(model.LeavesOutRecords());
    EXPECT_FALSE(model.ShowsWholeLog());
    // Rows appended later are in the new format too.
    model.Append(3);
    EXPECT_EQ(model.FileBytes(), FileOf(log, {0, 2, 4, 3}, view));
}

TEST(TableModel, RowsOfAReplacedLogAreNeverWrittenAsRowsOfTheNewOne) {
    core::RecordLog log;
    Record(log, kStart, 5);
    core::TableModel model(log);
    model.ShowWholeLog();
    const std::string oldRow = model.Text(4);
    // The meter begins a new log by itself; the table is not emptied.
    log.SetIdle();
    Record(log, kStart + 10 * kSecond, 2);
    ASSERT_EQ(log.Count(), 2);
    model.Append(0);
    model.Append(1);
    ASSERT_EQ(model.Size(), 7);
    EXPECT_EQ(model.Text(4), oldRow); // shown as it was, but no longer a row of the log
    EXPECT_EQ(model.FileBytes(), FileOf(log, {0, 1}, model.View()));
    EXPECT_FALSE(model.LeavesOutRecords());
    const int both[] = {4, 5};
    EXPECT_FALSE(model.RecordsAt(both));

    // A new format reformats the rows of the log; the earlier log's rows keep their text.
    core::TableView view;
    view.IsUnit = true;
    model.SetView(view);
    EXPECT_EQ(model.Text(4), oldRow);
    EXPECT_EQ(model.Text(5), core::FormatTableRow(log[0], ";", true));

    EXPECT_TRUE(model.DropRowsOfOtherLogs());
    ASSERT_EQ(model.Size(), 2);
    EXPECT_TRUE(model.ShowsWholeLog());
    EXPECT_FALSE(model.DropRowsOfOtherLogs());

    // Emptied: nothing of it is written.
    log.SetCount(0);
    EXPECT_EQ(model.FileBytes(), "");
}

TEST(TableModel, ALoadedFileKeepsTheRebuiltLinesUntilTheFormatChanges) {
    core::RecordLog log;
    // A five-digit T is rebuilt with one space fewer than a row made from its record; Uo is
    // the file's own text.
    const std::string file = core::Utf8ToCp1251("10:00:00;12345;   5,000;   1,5;   2,25\r\n"
                                                "10:00:01;    7;   4,985;   1,000;   2,000\r\n");
    const core::TableFileLoad load = core::ReadTableFile(file, ";", false);
    ASSERT_TRUE(load);
    ASSERT_TRUE(core::ApplyTableLoad(load, log));
    core::TableModel model(log);
    model.ShowLoaded(load.rows);
    ASSERT_EQ(model.Size(), 2);
    EXPECT_EQ(model.Text(0), load.rows[0]);
    EXPECT_NE(model.Text(0), core::FormatTableRow(log[0], ";", false));
    EXPECT_EQ(model.FileBytes(), core::FormatTableFile(load.rows));
    EXPECT_TRUE(model.ShowsWholeLog());

    core::TableView view;
    view.Delim = "|";
    model.SetView(view);
    EXPECT_EQ(model.FileBytes(), FileOf(log, {0, 1}, view));
}

} // namespace
