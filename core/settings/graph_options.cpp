// The graph options file: "Авто" beside the settings file.
#include "core/settings/graph_options.h"

#include <algorithm>
#include <cctype>

namespace core {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

} // namespace

std::string FormatGraphOptions(const GraphView& view) {
    return std::string(kAutoYKey) + (view.AutoY ? "=true" : "=false") + "\r\n";
}

void ParseGraphOptions(std::string_view bytes, GraphView& view) {
    const std::string key = Lower(kAutoYKey);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || Lower(line.substr(0, eq)) != key)
            continue;
        const std::string value = Lower(line.substr(eq + 1));
        if (value == "true")
            view.AutoY = true;
        else if (value == "false")
            view.AutoY = false;
        return; // the first line of the key decides, as in the settings file
    }
}

std::string GraphOptionsPath(const std::string& settingsPath) {
    const std::size_t slash = settingsPath.find_last_of("/\\");
    const std::string folder =
        slash == std::string::npos ? std::string() : settingsPath.substr(0, slash + 1);
    return folder + "vels5-graph.ini";
}

} // namespace core
