// Sorting the tools' arguments into options, values and operands.
#include "tools/common/option_parser.h"

namespace tool_args {

OptionParser::OptionParser(std::span<const Option> options, std::span<const std::string_view> args)
    : m_options(options), m_args(args) {}

Step OptionParser::Next() {
    Step step;
    if (m_next >= m_args.size())
        return step;
    step.arg = m_args[m_next++];
    if (step.arg.size() < 2 || step.arg[0] != '-') {
        step.kind = StepKind::Operand;
        step.value = step.arg;
        return step;
    }
    step.name = step.arg;
    bool inlineValue = false;
    if (step.arg.starts_with("--")) {
        if (const std::size_t eq = step.arg.find('='); eq != std::string_view::npos) {
            step.name = step.arg.substr(0, eq);
            step.value = step.arg.substr(eq + 1);
            inlineValue = true;
        }
        step.option = FindName(step.name);
    } else if (step.arg.size() == 2) {
        step.option = FindLetter(step.arg[1]);
    }
    if (!step.option || (inlineValue && !step.option->takesValue)) {
        step.option = nullptr;
        step.value = {};
        step.kind = StepKind::Unknown;
        return step;
    }
    step.kind = StepKind::Option;
    if (step.option->takesValue && !inlineValue) {
        if (m_next < m_args.size())
            step.value = m_args[m_next++];
        else
            step.kind = StepKind::MissingValue;
    }
    return step;
}

const Option* OptionParser::FindName(std::string_view name) const {
    for (const Option& option : m_options)
        if (!option.name.empty() && option.name == name)
            return &option;
    return nullptr;
}

const Option* OptionParser::FindLetter(char letter) const {
    for (const Option& option : m_options)
        if (option.letter != 0 && option.letter == letter)
            return &option;
    return nullptr;
}

bool AsksForHelp(std::span<const std::string_view> args) {
    for (const std::string_view arg : args)
        if (arg == "--help" || arg == "-h")
            return true;
    return false;
}

} // namespace tool_args
