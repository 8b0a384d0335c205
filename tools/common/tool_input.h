// Reading the input files of the command-line tools, and the messages they print when a file
// cannot be read or is refused.
#pragma once

#include <string>
#include <string_view>

namespace tool_input {

/// Standard input and output carry bytes as they are: on Windows the C runtime would turn
/// "\n" into CR LF, and the tools print the same bytes on both systems. Nothing on Linux.
void BinaryStdio();

/// Reads the whole of `path` ("-": standard input) into `bytes`: a regular file only, and no
/// more than core::read_limit::kTable bytes from either. On failure prints
/// "<tool>: cannot read <path>: <reason>" to standard error and returns false.
bool ReadInput(std::string_view tool, const std::string& path, std::string& bytes);

/// Prints "<tool>: <path>: <message> (line N)" to standard error; the line is left out when
/// it is not above 0.
void SayRefused(std::string_view tool, const std::string& path, const std::string& message,
                int line);

} // namespace tool_input
