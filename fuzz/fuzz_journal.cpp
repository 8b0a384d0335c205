// libFuzzer target: journal names, the whole-line cut of a journal read after a crash, and
// the line-by-line recovery of a damaged journal.
#include "core/files/table_file.h"
#include "core/journal/journal.h"
#include "core/journal/journal_store.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // An accepted name is the name the writer gives a log of that start.
    if (const std::optional<double> start = core::JournalStartTime(bytes)) {
        const std::string written = core::JournalFileName(*start);
        if (bytes.substr(0, 19) != std::string_view(written).substr(0, 19))
            std::abort();
    }
    const std::string_view whole = core::WholeLines(bytes);
    if (whole.size() > bytes.size() || bytes.substr(0, whole.size()) != whole ||
        (!whole.empty() && whole.back() != '\n') ||
        bytes.substr(whole.size()).find('\n') != std::string_view::npos)
        std::abort();
    const core::TableFileLoad load = core::ReadTableFile(whole, ";", false);
    if (!load && load.refusal->message.empty())
        std::abort();
    // Line by line: every line that reads gives its record, and what it gives reads back whole.
    const core::TableFileLoad journal = core::ReadJournalTable(bytes, ";", false);
    if (journal.records.size() != journal.rows.size() || journal.skippedLines < 0 ||
        journal.records.size() > static_cast<std::size_t>(core::RecordLog::kMaxRecords) ||
        (!journal && journal.refusal->message.empty()))
        std::abort();
    // A journal that reads whole as a table file, and holds no control character, loses no line.
    const bool plain = std::none_of(whole.begin(), whole.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n';
    });
    if (load && plain && (!journal || journal.records.size() != load.records.size()))
        std::abort();
    if (journal) {
        const core::TableFileLoad again =
            core::ReadTableFile(core::FormatTableFile(journal.rows), ";", false);
        if (!again || again.rows != journal.rows)
            std::abort();
    }
    return 0;
}
