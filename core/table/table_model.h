// The table window's rows as a model of the record log: which records are shown, in which
// order, and each row's text in the table's current format.
#pragma once

#include "core/log/record_log.h"
#include "core/table/table_rows.h"
#include "core/table/table_view.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace core {

/// The rows of the table window over one record log. Every row names the record it shows
/// (TableRows); its text is that record in the row format (FormatTableRow) of the model's
/// view, except the rows of a loaded table file, which keep the line as the reader rebuilt it
/// until the view changes. A row of a log that was emptied or replaced keeps its text but
/// names no record: it is never saved as a row of the log that came after. The window only
/// displays these texts.
class TableModel {
public:
    /// `log` must outlive the model.
    explicit TableModel(const RecordLog& log) : m_log(log) {}

    int Size() const { return m_rows.Size(); }
    /// The text row `position` shows (UTF-8).
    const std::string& Text(int position) const {
        return m_texts[static_cast<std::size_t>(position)];
    }
    const std::vector<std::string>& Texts() const { return m_texts; }
    /// The records the rows show.
    const TableRows& Rows() const { return m_rows; }

    /// The delimiter and unit choice of the rows. A different view formats every row that
    /// names a record again (rows of an earlier log keep their text): true when it did.
    bool SetView(const TableView& view);
    const TableView& View() const { return m_view; }

    void Clear();
    /// A row for record `index` of the log at the end.
    void Append(int index);
    /// A row for every record of the log from record 0 on, replacing every row.
    void ShowWholeLog();
    /// After a table file replaced the log: row i shows record i as the reader rebuilt its
    /// line, `rows[i]` (one row per record).
    void ShowLoaded(std::span<const std::string> rows);
    /// Removes the rows at `positions` (ascending, each at most once); the rest keep order.
    void Erase(std::span<const int> positions);
    /// Removes the rows that name no record of the log (an emptied or replaced log's rows):
    /// true when there were any.
    bool DropRowsOfOtherLogs();

    /// The records of the rows at `positions`, in that order; nullopt when any of them is no
    /// longer in the log.
    std::optional<std::vector<MeasurementRecord>> RecordsAt(std::span<const int> positions) const;
    /// A table file from the rows would leave out records that the log has (rows erased, or
    /// records that came while the window was hidden).
    bool LeavesOutRecords() const;
    /// The rows hold every record of the log, in order, and nothing else: a file of them
    /// stands for the whole log.
    bool ShowsWholeLog() const { return m_rows.ShowsWholeLog(m_log); }
    /// The table file of the rows that name a record of the log, in list order: Windows-1251,
    /// CR LF after each line.
    std::string FileBytes() const;

private:
    std::string Format(int index) const;

    const RecordLog& m_log;
    TableView m_view;
    TableRows m_rows;
    std::vector<std::string> m_texts;
};

} // namespace core
