// The tools' shared option parser: how it sorts a command line into steps.
#include "tools/common/option_parser.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using tool_args::StepKind;

constexpr tool_args::Option kOptions[] = {
    {"--help", 'h'}, {"--csv"}, {"--period", 0, true}, {"", 'o', true}};

// Every step as "kind name=value" (the operand as its value).
std::vector<std::string> Steps(std::vector<std::string_view> args) {
    tool_args::OptionParser parser(kOptions, args);
    std::vector<std::string> steps;
    for (tool_args::Step s = parser.Next(); s.kind != StepKind::End; s = parser.Next()) {
        const char* kind = s.kind == StepKind::Option    ? "option"
                           : s.kind == StepKind::Operand ? "operand"
                           : s.kind == StepKind::Unknown ? "unknown"
                                                         : "missing";
        const std::string known =
            s.option ? (s.option->name.empty() ? "-o" : std::string(s.option->name)) : "";
        steps.push_back(std::string(kind) + " " + known + "|" + std::string(s.arg) + "|" +
                        std::string(s.name) + "=" + std::string(s.value));
    }
    EXPECT_EQ(parser.Next().kind, StepKind::End); // and stays there
    return steps;
}

TEST(OptionParser, TakesValuesAsGivenAndOperandsInOrder) {
    EXPECT_EQ(Steps({"a.txt", "--period", "-5", "--period=7", "-", "-o", "--csv", "-h", "--csv"}),
              (std::vector<std::string>{
                  "operand |a.txt|=a.txt", "option --period|--period|--period=-5",
                  "option --period|--period=7|--period=7", "operand |-|=-", "option -o|-o|-o=--csv",
                  "option --help|-h|-h=", "option --csv|--csv|--csv="}));
    EXPECT_EQ(Steps({"--period="}),
              (std::vector<std::string>{"option --period|--period=|--period="}));
}

TEST(OptionParser, MistakesKeepTheArgumentAsGiven) {
    EXPECT_EQ(Steps({"--colour=red", "--csv=1", "-x", "-ho", "--", "--period"}),
              (std::vector<std::string>{
                  "unknown |--colour=red|--colour=", "unknown |--csv=1|--csv=", "unknown |-x|-x=",
                  "unknown |-ho|-ho=", "unknown |--|--=", "missing --period|--period|--period="}));
    EXPECT_EQ(Steps({"-o"}), (std::vector<std::string>{"missing -o|-o|-o="}));
    const std::vector<std::string_view> help{"x", "--period", "-h"};
    EXPECT_TRUE(tool_args::AsksForHelp(help));
    EXPECT_FALSE(tool_args::AsksForHelp(std::vector<std::string_view>{"--helpful", "-hx"}));
}

} // namespace
