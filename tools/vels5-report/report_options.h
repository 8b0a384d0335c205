// vels5-report's command line and help text.
#pragma once

#include "core/fire/fire_envelopes.h"

#include <optional>
#include <string>
#include <vector>

namespace report_tool {

/// Exit statuses, as the other tools use them.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1; ///< the window would refuse the table or marks file
inline constexpr int kExitInput = 2;   ///< wrong arguments, or a file cannot be read
inline constexpr int kExitOutput = 3;  ///< the report could not be written

struct ReportOptions {
    std::string tablePath;  ///< "-": standard input
    std::string outputPath; ///< -o
    std::string marksPath;  ///< --marks; empty: "<table>.test.txt" when it is there
    const core::TestFireEnvelope* fire = nullptr; ///< --fire
    std::optional<double> startT;                 ///< --start, log seconds
    std::optional<float> distanceM;               ///< --distance
    std::optional<int> periodSec;                 ///< --period
};

/// What parsing the arguments gave: the options, or an exit with a text for stdout (--help)
/// or stderr (a mistake).
struct ParseResult {
    std::optional<ReportOptions> options;
    int exitStatus = kExitOk;
    std::string out;
    std::string error;
};

/// Parses the arguments after the program name.
ParseResult ParseReportOptions(const std::vector<std::string>& args);

} // namespace report_tool
