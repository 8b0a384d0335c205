// vels5-plot's command line: the view of the graph window as options, and the help text.
#pragma once

#include "core/graph/graph_view.h"

#include <optional>
#include <string>
#include <vector>

namespace plot_tool {

/// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1; ///< the window would refuse the table or template file
inline constexpr int kExitInput = 2;   ///< wrong arguments, or a file cannot be read
inline constexpr int kExitOutput = 3;  ///< the picture or the description could not be written

struct PlotOptions {
    core::GraphView view; ///< the window's initial view, changed by the options
    int timeStepSec = 1;  ///< --period
    int pan = 0;          ///< --pan, records back from the newest
    int shift = 0;        ///< --shift, pixels
    int width = 1064;     ///< --size
    int height = 394;
    std::string tablePath;    ///< "-": standard input
    std::string templatePath; ///< --template
    std::string marksPath;    ///< --marks: a fire test's marks file
    std::string outputPath;   ///< -o
    bool json = false;        ///< --json
};

/// What parsing the arguments gave: the options, or an exit with a text for stdout (--help)
/// or stderr (a mistake).
struct ParseResult {
    std::optional<PlotOptions> options;
    int exitStatus = kExitOk;
    std::string out;
    std::string error;
};

/// Parses the arguments after the program name.
ParseResult ParsePlotOptions(const std::vector<std::string>& args);

/// The help text.
const char* HelpText();

} // namespace plot_tool
