// The table window's rows over the record log, with their texts in the table's format.
#include "core/table/table_model.h"

#include "core/files/table_file.h"
#include "core/table/table_row.h"

#include <cassert>

namespace core {

std::string TableModel::Format(int index) const {
    return FormatTableRow(m_log[index], m_view.Delim, m_view.IsUnit);
}

bool TableModel::SetView(const TableView& view) {
    if (view.Delim == m_view.Delim && view.IsUnit == m_view.IsUnit)
        return false;
    m_view.Delim = view.Delim;
    m_view.IsUnit = view.IsUnit;
    bool changed = false;
    for (int i = 0; i < Size(); ++i) {
        if (const std::optional<int> index = m_rows.RecordAt(i, m_log)) {
            m_texts[static_cast<std::size_t>(i)] = Format(*index);
            changed = true;
        }
    }
    return changed;
}

void TableModel::Clear() {
    m_rows.Clear();
    m_texts.clear();
}

void TableModel::Append(int index) {
    m_rows.Append(m_log, index);
    m_texts.push_back(Format(index));
}

void TableModel::ShowWholeLog() {
    m_rows.ShowWholeLog(m_log);
    m_texts.clear();
    m_texts.reserve(static_cast<std::size_t>(m_log.Count()));
    for (int i = 0; i < m_log.Count(); ++i)
        m_texts.push_back(Format(i));
}

void TableModel::ShowLoaded(std::span<const std::string> rows) {
    assert(static_cast<int>(rows.size()) == m_log.Count());
    m_rows.ShowWholeLog(m_log);
    m_texts.assign(rows.begin(), rows.end());
}

void TableModel::Erase(std::span<const int> positions) {
    m_rows.Erase(positions);
    std::size_t kept = 0;
    auto next = positions.begin();
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        if (next != positions.end() && static_cast<std::size_t>(*next) == i)
            ++next;
        else if (kept++ != i)
            m_texts[kept - 1] = std::move(m_texts[i]);
    }
    m_texts.resize(kept);
}

bool TableModel::DropRowsOfOtherLogs() {
    std::vector<int> gone;
    for (int i = 0; i < Size(); ++i)
        if (!m_rows.RecordAt(i, m_log))
            gone.push_back(i);
    Erase(gone);
    return !gone.empty();
}

std::optional<std::vector<MeasurementRecord>>
TableModel::RecordsAt(std::span<const int> positions) const {
    return m_rows.RecordsAt(positions, m_log);
}

bool TableModel::LeavesOutRecords() const {
    return m_rows.RowsOfLog(m_log) < m_log.Count();
}

std::string TableModel::FileBytes() const {
    // A row's text is in the model's view, made from its record when the row was made or
    // the view changed; a row that names no record of this log is not one of its rows.
    std::vector<std::string> lines;
    lines.reserve(m_texts.size());
    for (int i = 0; i < Size(); ++i)
        if (m_rows.RecordAt(i, m_log))
            lines.push_back(m_texts[static_cast<std::size_t>(i)]);
    return FormatTableFile(lines);
}

} // namespace core
