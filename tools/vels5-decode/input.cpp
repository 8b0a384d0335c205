// Inputs and diagnostics shared by the decoder's modes.
#include "tools/common/tool_input.h"
#include "tools/vels5-decode/modes.h"

#include <cerrno>
#include <cstring>

namespace decode {

std::FILE* OpenInput(const std::string& name, const ModeContext& ctx) {
    if (name.empty() || name == "-")
        return ctx.in;
    std::FILE* file = tool_input::OpenFile(name, "rb");
    if (!file)
        Complain(ctx, "cannot read '" + name + "': " + std::strerror(errno));
    return file;
}

void CloseInput(std::FILE* file, const ModeContext& ctx) {
    if (file && file != ctx.in)
        std::fclose(file);
}

void Complain(const ModeContext& ctx, const std::string& message) {
    std::fprintf(ctx.err, "vels5-decode: %s\n", message.c_str());
}

} // namespace decode
