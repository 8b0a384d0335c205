// libFuzzer target: journal names and the whole-line cut of a journal read after a crash.
#include "core/journal.h"
#include "core/journal_store.h"
#include "core/table_file.h"

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
    return 0;
}
