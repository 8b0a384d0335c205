// The verdict as JSON.
#include "tools/vels5-table/check_output.h"

#include "core/common/format.h"
#include "tools/common/json_line.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace table_tool {
namespace {

// Seconds to 0,1 s with a point: "140" for whole seconds, "139.5" otherwise.
std::string Tenths(double seconds) {
    const long long tenths = std::llround(seconds * 10);
    char text[32];
    if (tenths % 10 == 0)
        std::snprintf(text, sizeof text, "%lld", tenths / 10);
    else
        std::snprintf(text, sizeof text, "%.1f", static_cast<double>(tenths) / 10);
    return text;
}

std::string OneDecimal(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

std::string Shortest(float value) {
    if (!std::isfinite(value))
        return decode::JsonString(std::isnan(value) ? "NaN" : value > 0 ? "Infinity" : "-Infinity");
    std::array<char, 32> buf;
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return std::string(buf.data(), ec == std::errc{} ? end : buf.data());
}

} // namespace

std::string FormatCheck(const core::TestFireEnvelope& fire, double fireStartT,
                        const core::BandVerdict& verdict) {
    std::string out = "{\"fire\":" + decode::JsonString(fire.name);
    out += ",\"start\":" + OneDecimal(fireStartT);
    out += std::string(",\"inside\":") + (verdict.inside ? "true" : "false");
    out += ",\"end\":" + OneDecimal(verdict.endSec);
    out += ",\"checked\":" + std::to_string(verdict.checked);
    out += ",\"violations\":[";
    for (std::size_t i = 0; i < verdict.violations.size(); ++i) {
        const core::BandViolation& v = verdict.violations[i];
        out += i ? ",{" : "{";
        out += "\"from\":" + Tenths(v.fromSec) + ",\"to\":" + Tenths(v.toSec);
        out += std::string(",\"side\":\"") + (v.side == core::BandSide::Upper ? "upper" : "lower") +
               "\"";
        out += ",\"extreme\":" + Shortest(v.extreme) + "}";
    }
    out += "],\"gaps\":[";
    for (std::size_t i = 0; i < verdict.gaps.size(); ++i) {
        const core::BandGap& g = verdict.gaps[i];
        out += i ? ",{" : "{";
        out += "\"from\":" + Tenths(g.fromSec) + ",\"to\":" + Tenths(g.toSec) + "}";
    }
    out += "]";
    // Only a log with breaks of the link has the field: other outputs stay as they were.
    for (std::size_t i = 0; i < verdict.linkGaps.size(); ++i) {
        const core::BandGap& g = verdict.linkGaps[i];
        out += i ? ",{" : ",\"linkGaps\":[{";
        out += "\"gap\":[" + Tenths(g.fromSec) + "," + Tenths(g.toSec) + "]}";
    }
    if (!verdict.linkGaps.empty())
        out += "]";
    out += std::string(",\"ended\":") + (verdict.ended ? "true" : "false");
    out += ",\"verdict\":" + decode::JsonString(core::VerdictText(fire, verdict)) + "}\n";
    return out;
}

std::optional<double> ParseLogSeconds(std::string_view text) {
    std::string comma(text);
    for (char& c : comma)
        if (c == '.')
            c = ',';
    const core::Conversion<double> value = core::ParseDecimal(comma);
    if (!value || !(*value.value >= 0 && *value.value <= 65'535))
        return std::nullopt;
    return *value.value;
}

} // namespace table_tool
