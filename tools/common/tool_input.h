// Reading the input files of the command-line tools, and the messages they print when a file
// cannot be read or is refused.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tool_input {

/// Standard input and output carry bytes as they are: on Windows the C runtime would turn
/// "\n" into CR LF, and the tools print the same bytes on both systems. Nothing on Linux.
void BinaryStdio();

/// The command line in UTF-8, the tools' text: on Windows taken from the wide command line
/// (main's argv is in the ANSI code page there, which has no room for most names), on Linux
/// main's own. Argv() lives as long as this object and ends with a null pointer.
class Utf8Arguments {
public:
    Utf8Arguments(int argc, char** argv);
    int Count() const { return static_cast<int>(m_texts.size()); }
    char** Argv() { return m_pointers.data(); }

private:
    std::vector<std::string> m_texts;
    std::vector<char*> m_pointers;
};

/// std::fopen of a UTF-8 path (on Windows through the wide name).
std::FILE* OpenFile(const std::string& path, const char* mode);

/// Reads the whole of `path` ("-": standard input) into `bytes`: a regular file only, and no
/// more than core::read_limit::kTable bytes from either. On failure prints
/// "<tool>: cannot read <path>: <reason>" to standard error and returns false.
bool ReadInput(std::string_view tool, const std::string& path, std::string& bytes);

/// Prints "<tool>: <path>: <message> (line N)" to standard error; the line is left out when
/// it is not above 0.
void SayRefused(std::string_view tool, const std::string& path, const std::string& message,
                int line);

} // namespace tool_input
