// The graph window's options that the settings file's rows do not carry ("Авто"), kept in a
// small file of their own beside it so that the settings file stays as it is.
#pragma once

#include "core/graph/graph_view.h"

#include <string>
#include <string_view>

namespace core {

/// The key of "Авто" in the options file.
inline constexpr std::string_view kAutoYKey = "FormGraph AutoY";

/// The file's bytes: "FormGraph AutoY=true" or "=false", CR LF (ASCII, so Windows-1251 too).
std::string FormatGraphOptions(const GraphView& view);

/// Reads the options into `view`. The key is looked up ignoring letter case, lines end at
/// CR LF, CR or LF; a value other than "true" or "false" (any case), or no such line, leaves
/// the field as it is: the file is an addition, and a damaged one must not stop the start.
void ParseGraphOptions(std::string_view fileBytes, GraphView& view);

/// The options file beside the settings file `settingsPath`: "vels5-graph.ini" in its folder.
std::string GraphOptionsPath(const std::string& settingsPath);

} // namespace core
