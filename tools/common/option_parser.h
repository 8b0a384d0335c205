// The command line of the Qt-free tools, read one argument at a time: long options
// ("--name", "--name VALUE", "--name=VALUE"), one-letter options ("-h", "-o VALUE"), options
// given more than once and operands. The parser only sorts the arguments; each tool turns the
// steps into its own settings and its own messages.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace tool_args {

/// One option a tool accepts.
struct Option {
    std::string_view name;   ///< "--period"; empty when the option has only a letter
    char letter = 0;         ///< 'h' for "-h"; 0 for none
    bool takesValue = false; ///< the value follows as the next argument, or after "=" (long)
};

/// What the next argument turned out to be.
enum class StepKind {
    End,          ///< no arguments left
    Option,       ///< a known option, with its value if it takes one
    Operand,      ///< not an option: a file name, "-" (standard input)
    Unknown,      ///< an option not in the list, or "--flag=VALUE" of one that takes none
    MissingValue, ///< a known option that takes a value, as the last argument
};

struct Step {
    StepKind kind = StepKind::End;
    const Option* option = nullptr; ///< for Option and MissingValue
    std::string_view arg;           ///< the argument as given ("--dist=2")
    std::string_view name;          ///< the option as given, without "=VALUE" ("--dist")
    std::string_view value;         ///< the option's value; the operand itself
};

/// Walks `args` (the arguments after the program name). A value is taken as given, even when
/// it starts with "-" ("--pan -5"). "-" alone is an operand; every other argument that starts
/// with "-" is an option. `options` and `args` must outlive the parser.
class OptionParser {
public:
    OptionParser(std::span<const Option> options, std::span<const std::string_view> args);

    /// The next step; End once every argument has been read (and from then on).
    Step Next();

private:
    const Option* FindName(std::string_view name) const;
    const Option* FindLetter(char letter) const;

    std::span<const Option> m_options;
    std::span<const std::string_view> m_args;
    std::size_t m_next = 0;
};

/// Whether "--help" or "-h" is one of `args`, wherever it stands.
bool AsksForHelp(std::span<const std::string_view> args);

} // namespace tool_args
