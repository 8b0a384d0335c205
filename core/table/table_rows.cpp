// The table window's rows as the records they show.
#include "core/table/table_rows.h"

#include <algorithm>

namespace core {

void TableRows::Append(const RecordLog& log, int index) {
    m_rows.push_back({index, log.Generation()});
}

void TableRows::ShowWholeLog(const RecordLog& log) {
    m_rows.clear();
    m_rows.reserve(static_cast<std::size_t>(log.Count()));
    for (int i = 0; i < log.Count(); ++i)
        m_rows.push_back({i, log.Generation()});
}

void TableRows::Erase(std::span<const int> positions) {
    std::size_t kept = 0;
    auto next = positions.begin();
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (next != positions.end() && static_cast<std::size_t>(*next) == i)
            ++next;
        else
            m_rows[kept++] = m_rows[i];
    }
    m_rows.resize(kept);
}

std::optional<int> TableRows::RecordAt(int position, const RecordLog& log) const {
    if (position < 0 || position >= Size())
        return std::nullopt;
    const ShownRecord& row = (*this)[position];
    if (row.generation != log.Generation() || row.index < 0 || row.index >= log.Count())
        return std::nullopt;
    return row.index;
}

std::optional<std::vector<MeasurementRecord>> TableRows::RecordsAt(std::span<const int> positions,
                                                                   const RecordLog& log) const {
    std::vector<MeasurementRecord> records;
    records.reserve(positions.size());
    for (const int position : positions) {
        const std::optional<int> index = RecordAt(position, log);
        if (!index)
            return std::nullopt;
        records.push_back(log[*index]);
    }
    return records;
}

int TableRows::RowsOfLog(const RecordLog& log) const {
    return static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(), [&](const ShownRecord& r) {
        return r.generation == log.Generation() && r.index >= 0 && r.index < log.Count();
    }));
}

bool TableRows::ShowsWholeLog(const RecordLog& log) const {
    if (Size() != log.Count())
        return false;
    for (int i = 0; i < Size(); ++i)
        if (m_rows[static_cast<std::size_t>(i)] != ShownRecord{i, log.Generation()})
            return false;
    return true;
}

} // namespace core
