// The "Ti=" and "Li=" label texts.
#include "core/session/panel_text.h"

#include "core/common/format.h"

#include <cstdio>

namespace core {

std::string ElapsedText(int seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "Ti= %02d:%02d:%02d", seconds / 3600, seconds % 3600 / 60,
                  seconds % 60);
    return text;
}

std::string DistanceText(float distanceMetres) {
    return "Li=" + FormatDecimal(distanceMetres, 5, 1) + " м";
}

} // namespace core
