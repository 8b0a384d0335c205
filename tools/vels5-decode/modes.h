// The decoder's modes: what main() hands each of them and the exit statuses they share.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace decode {

inline constexpr int kExitOk = 0;
inline constexpr int kExitWriteFailed = 1;
/// Wrong arguments, or an input that cannot be read.
inline constexpr int kExitBadInput = 2;

/// What a mode runs with: the arguments after the program name (and after the mode's own
/// option, if it has one) and the standard streams. Diagnostics go to `err` as one line each,
/// prefixed with "vels5-decode: ".
struct ModeContext {
    std::vector<std::string> args;
    std::FILE* in = stdin;
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

/// One mode of the program. main() picks the mode whose option is the first argument, or the
/// mode with an empty option.
struct Mode {
    const char* option;   ///< e.g. "--log"; "" for the default mode
    const char* synopsis; ///< arguments as shown in the usage line, e.g. "[FILE]"
    const char* help;     ///< paragraphs for --help
    int (*run)(const ModeContext&);
};

/// Opens the input named by a mode's argument: "-" or an empty name is `ctx.in`. On failure
/// writes "vels5-decode: cannot read '<name>': <reason>" to `ctx.err` and returns nullptr.
std::FILE* OpenInput(const std::string& name, const ModeContext& ctx);
/// Closes what OpenInput opened (leaves `ctx.in` open).
void CloseInput(std::FILE* file, const ModeContext& ctx);
/// Writes "vels5-decode: <message>" and a newline to `ctx.err`.
void Complain(const ModeContext& ctx, const std::string& message);

/// The capture decoder: raw line bytes in, one JSON object per accepted frame out.
extern const Mode kCaptureMode;
/// The record-log replay: a capture through the mode logic and the record log.
extern const Mode kLogMode;

} // namespace decode
