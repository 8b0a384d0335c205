// The rows the table window shows, each as the record it shows, so that a row is mapped back
// to its record by what it names, never by its position in the list.
#pragma once

#include "core/log/record_log.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace core {

/// Messages of the table window about rows and the records behind them (UTF-8).
namespace rows_text {
/// A template from selected rows of a log that was emptied or replaced since they were shown.
inline constexpr std::string_view kRecordsGone =
    "Выделены строки, записей которых больше нет в журнале";
/// "Сохранить таблицу" into the log's file with fewer rows than the log has records; the
/// file's path follows on the next line.
inline constexpr std::string_view kPartialSave = "В таблице не все записи журнала. Заменить файл?";
} // namespace rows_text

/// The record one row shows: its index in the log and the log's generation when the row was
/// made (RecordLog::Generation).
struct ShownRecord {
    int index = 0;
    std::uint32_t generation = 0;
    bool operator==(const ShownRecord&) const = default;
};

/// The rows of the table window in list order, with the record each shows. Rows of a log that
/// was emptied or replaced stay until the list is changed, but name no record any more.
class TableRows {
public:
    int Size() const { return static_cast<int>(m_rows.size()); }
    const ShownRecord& operator[](int position) const {
        return m_rows[static_cast<std::size_t>(position)];
    }

    void Clear() { m_rows.clear(); }
    /// A row for record `index` of `log` at the end.
    void Append(const RecordLog& log, int index);
    /// One row per record of `log`, from record 0 on, replacing every row.
    void ShowWholeLog(const RecordLog& log);
    /// Removes the rows at `positions` (ascending, each at most once); the rest keep their order.
    void Erase(std::span<const int> positions);

    /// The index of the record row `position` shows, while that record is in `log`; nullopt
    /// once the log was emptied or replaced after the row was made.
    std::optional<int> RecordAt(int position, const RecordLog& log) const;
    /// The records of the rows at `positions`, in that order; nullopt when any of them is no
    /// longer in `log`.
    std::optional<std::vector<MeasurementRecord>> RecordsAt(std::span<const int> positions,
                                                            const RecordLog& log) const;
    /// How many rows show records that are in `log` now.
    int RowsOfLog(const RecordLog& log) const;
    /// Row i shows record i of `log` for every record of it, and there are no other rows.
    bool ShowsWholeLog(const RecordLog& log) const;

private:
    std::vector<ShownRecord> m_rows;
};

} // namespace core
