// libFuzzer target: the fire-test marks file reader, and the writer's round trip.
#include "core/fire/fire_marks.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const core::MarksLoad load = core::ParseMarksFile(bytes);
    if (!load) {
        if (load.line < 1 || load.error.empty())
            std::abort();
        return 0;
    }
    // What was accepted is written back in the file's form and must read back the same.
    const std::string written = core::FormatMarksFile(*load.marks, load.journal);
    const core::MarksLoad again = core::ParseMarksFile(written);
    if (!again || !(core::FormatMarksFile(*again.marks, again.journal) == written))
        std::abort();
    return 0;
}
