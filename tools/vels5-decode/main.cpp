// vels5-decode: picks the mode from the arguments and runs it.
#include "tools/common/option_parser.h"
#include "tools/common/tool_input.h"
#include "tools/vels5-decode/modes.h"

#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Every mode of the program. A new mode (a record-log replay, say) lives in its own source
// file, declares its decode::Mode in modes.h and adds one line here.
const decode::Mode* const kModes[] = {
    &decode::kCaptureMode,
    &decode::kLogMode,
};

void PrintHelp(std::FILE* out) {
    std::fputs("Usage:\n", out);
    for (const decode::Mode* mode : kModes)
        std::fprintf(out, "  vels5-decode %s%s%s\n", mode->option, *mode->option ? " " : "",
                     mode->synopsis);
    std::fputs("  vels5-decode --help\n", out);
    for (const decode::Mode* mode : kModes) {
        std::fputs("\n", out);
        if (*mode->option)
            std::fprintf(out, "%s:\n", mode->option);
        std::fputs(mode->help, out);
    }
    std::fputs("\nExit status: 0 when the input was read to its end, 1 when the output could\n"
               "not be written, 2 when the arguments are wrong or the input cannot be read.\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    tool_input::BinaryStdio();
    tool_input::Utf8Arguments utf8(argc, argv);
    argc = utf8.Count();
    argv = utf8.Argv();
    const std::span<char*> args(argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
    const std::vector<std::string_view> views(args.begin(), args.end());
    if (tool_args::AsksForHelp(views)) {
        PrintHelp(stdout);
        return decode::kExitOk;
    }
    const decode::Mode* chosen = nullptr;
    std::size_t first = 0;
    for (const decode::Mode* mode : kModes) {
        if (*mode->option && !args.empty() && std::strcmp(args[0], mode->option) == 0) {
            chosen = mode;
            first = 1;
            break;
        }
        if (!*mode->option && !chosen)
            chosen = mode;
    }
    decode::ModeContext ctx;
    for (std::size_t i = first; i < args.size(); ++i)
        ctx.args.emplace_back(args[i]);
    return chosen->run(ctx);
}
