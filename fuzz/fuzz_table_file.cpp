// Fuzzes the table-file reader: any bytes with any delimiter and unit choice. A refused file
// must leave a filled log untouched; an accepted file's rebuilt rows, written as a table file,
// must read back to the same records and rows.
#include "core/files/table_file.h"
#include "core/log/record_log.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// Delimiters a user may set; digits, the comma, the minus sign, blanks and control characters
// are part of the fields themselves and would change what a re-read sees.
constexpr std::array<std::string_view, 6> kDelims{";", "|", ":", "x", "\xC2\xA7", "\xD0\x92"};

void Check(bool ok) {
    if (!ok)
        std::abort();
}

bool SameRecord(const core::MeasurementRecord& a, const core::MeasurementRecord& b) {
    const core::MeasurementRecord x = a, y = b; // packed fields: read by value
    return std::memcmp(&x, &y, sizeof x) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::string_view delim = kDelims[data[0] % kDelims.size()];
    const bool isUnit = (data[0] & 0x80) != 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    const core::TableFileLoad load = core::ReadTableFile(bytes, delim, isUnit);
    static core::RecordLog log;
    log.SetCount(3);
    for (int i = 0; i < 3; ++i)
        log[i] = core::MeasurementRecord{1.0f, 2.0f, static_cast<std::uint16_t>(i), 3.0};
    const core::MeasurementRecord before = log[2];
    if (!load) {
        Check(load.records.empty() && load.rows.empty());
        Check(load.refusal->line >= 0 && load.refusal->line <= core::RecordLog::kMaxRecords + 1);
        Check(!core::ApplyTableLoad(load, log));
        Check(log.Count() == 3 && SameRecord(log[2], before));
        return 0;
    }
    Check(load.records.size() == load.rows.size());
    Check(core::ApplyTableLoad(load, log));
    Check(log.Count() == static_cast<int>(load.records.size()));

    const core::TableFileLoad again =
        core::ReadTableFile(core::FormatTableFile(load.rows), delim, isUnit);
    Check(static_cast<bool>(again));
    Check(again.rows == load.rows);
    for (std::size_t k = 0; k < load.records.size(); ++k)
        Check(SameRecord(again.records[k], load.records[k]));
    return 0;
}
