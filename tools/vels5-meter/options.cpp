// Parsing of the meter simulator's command line and its help text.
#include "tools/vels5-meter/options.h"

#include "core/link/link_protocol.h"
#include "core/session/measurement_params.h"
#include "tools/common/option_parser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace meter {
namespace {

bool ParseUnsigned(std::string_view text, unsigned long long& out) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return ec == std::errc() && end == text.data() + text.size();
}

std::optional<int> ParseIntIn(std::string_view text, int low, int high) {
    unsigned long long v = 0;
    if (!ParseUnsigned(text, v) || v < static_cast<unsigned long long>(low) ||
        v > static_cast<unsigned long long>(high))
        return std::nullopt;
    return static_cast<int>(v);
}

std::string Quote(std::string_view s) {
    return "'" + std::string(s) + "'";
}

std::string SetSecondsIn(double& field, std::string_view v, double low, double high,
                         const char* what) {
    const std::optional<double> s = ParseSeconds(v);
    if (!s || *s < low || *s > high)
        return std::string(what) + ": bad time " + Quote(v);
    field = *s;
    return {};
}

std::string SetPort(Options& o, std::string_view v) {
    const auto n = ParseIntIn(v, 1, 255);
    if (!n)
        return "--port: expected a COM number 1-255, got " + Quote(v);
    o.port = *n;
    return {};
}

std::string SetDevice(Options& o, std::string_view v) {
    if (v.empty())
        return "--device: empty path";
    o.device = v;
    return {};
}

std::string SetInterval(Options& o, std::string_view v) {
    const auto s = ParseSeconds(v, 0.001);
    if (!s || *s < 0.010 || *s > 60.0)
        return "--interval: expected 10 ms to 60 s, got " + Quote(v);
    o.intervalMs = static_cast<int>(std::lround(*s * 1000.0));
    return {};
}

std::string SetStab(Options& o, std::string_view v) {
    const auto s = ParseSeconds(v);
    if (!s || *s > 5999 || *s != std::floor(*s))
        return "--stab: expected whole seconds up to 99:59, got " + Quote(v);
    o.scenario.stabSec = static_cast<int>(*s);
    return {};
}

std::string SetStart(Options& o, std::string_view v) {
    return SetSecondsIn(o.scenario.startSec, v, 0, 3600, "--start");
}

std::string SetAdjust(Options& o, std::string_view v) {
    return SetSecondsIn(o.scenario.adjustSec, v, 0, 3600, "--adjust");
}

std::string SetMeasuring(Options& o, std::string_view v) {
    return SetSecondsIn(o.scenario.measuringSec, v, 0, 600, "--measuring");
}

std::string SetFire(Options& o, std::string_view v) {
    const core::TestFireEnvelope* fire = core::FindTestFire(v);
    if (!fire)
        return "--fire: unknown test fire " + Quote(v) + " (ТП1 ... ТП5Б or TP1 ... TP5B)";
    o.scenario.fire = fire;
    return {};
}

std::string SetSpeed(Options& o, std::string_view v) {
    const auto x = ParseNumber(v);
    if (!x || *x < 0 || *x > 1000)
        return "--speed: expected 0 to 1000, got " + Quote(v);
    o.scenario.speed = *x;
    return {};
}

std::string SetDist(Options& o, std::string_view v) {
    const auto x = ParseNumber(v);
    if (!x || !core::DistInRange(*x))
        return "--dist: expected 0,3 to 10 m, got " + Quote(v);
    o.scenario.distM = *x;
    return {};
}

std::string SetSeed(Options& o, std::string_view v) {
    unsigned long long n = 0;
    if (!ParseUnsigned(v, n))
        return "--seed: expected a non-negative integer, got " + Quote(v);
    o.scenario.seed = n;
    return {};
}

std::string AddFault(Options& o, std::string_view v) {
    const auto f = ParseFault(v);
    if (!f)
        return "--fault: expected BLOCK:FLAGS@TIME[+DURATION] such as em:0x02@30s+10s, got " +
               Quote(v);
    o.scenario.faults.push_back(*f);
    return {};
}

// "upper" or "lower", optionally "@FROM" and "+DURATION" in fire seconds; times not given stay
// negative until the fire is known (ResolveOutside).
std::string SetOutside(Options& o, std::string_view v) {
    const std::string bad = "--outside: expected upper|lower[@FROM[+DURATION]] such as "
                            "upper@140+12, got " +
                            Quote(v);
    OutsideStretch s{core::BandSide::Upper, -1, -1};
    std::string_view side = v.substr(0, v.find('@'));
    if (side == "lower")
        s.side = core::BandSide::Lower;
    else if (side != "upper")
        return bad;
    if (side.size() < v.size()) {
        std::string_view when = v.substr(side.size() + 1);
        if (const auto plus = when.find('+'); plus != std::string_view::npos) {
            const auto duration = ParseSeconds(when.substr(plus + 1));
            if (!duration || *duration <= 0)
                return bad;
            s.durationSec = *duration;
            when = when.substr(0, plus);
        }
        const auto from = ParseSeconds(when);
        if (!from)
            return bad;
        s.fromSec = *from;
    }
    o.scenario.outside = s;
    return {};
}

// Fills in the default times of --outside for the chosen fire and checks that a stretch below
// the band lies where the band has a lower limit.
std::string ResolveOutside(ScenarioConfig& c) {
    if (!c.outside)
        return {};
    const OutsideStretch fallback = DefaultStretch(*c.fire, c.outside->side);
    if (c.outside->fromSec < 0)
        c.outside->fromSec = fallback.fromSec;
    if (c.outside->durationSec < 0)
        c.outside->durationSec = fallback.durationSec;
    const int lowerStart = c.fire->lower.front().tSec;
    if (c.outside->side == core::BandSide::Lower && c.outside->fromSec < lowerStart)
        return "--outside lower: the lower limit of " + std::string(c.fire->name) + " begins at " +
               std::to_string(lowerStart) + " s";
    return {};
}

// "%g" with a decimal comma, for times in messages.
std::string Seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    std::string out(text);
    std::replace(out.begin(), out.end(), '.', ',');
    return out;
}

std::string AddUnplug(Options& o, std::string_view v) {
    const auto gap = ParseUnplug(v);
    if (!gap)
        return "--unplug: expected FROM+DURATION in seconds such as 40+8, got " + Quote(v);
    o.unplugs.push_back(*gap);
    return {};
}

// Gaps in the order of the fire; one that begins before the previous one has ended would have
// the line pulled while it is already out.
std::string CheckUnplugs(std::vector<UnplugGap>& gaps) {
    std::sort(gaps.begin(), gaps.end(),
              [](const UnplugGap& a, const UnplugGap& b) { return a.fromSec < b.fromSec; });
    for (std::size_t i = 1; i < gaps.size(); ++i) {
        if (gaps[i].fromSec < gaps[i - 1].fromSec + gaps[i - 1].durationSec)
            return "--unplug: the gap from " + Seconds(gaps[i].fromSec) +
                   " s begins before the one from " + Seconds(gaps[i - 1].fromSec) + " s has ended";
    }
    return {};
}

std::string SetDetectors(Options& o, std::string_view v) {
    const auto n = ParseIntIn(v, 1, 99);
    if (!n)
        return "--detectors: expected 1-99, got " + Quote(v);
    o.scenario.detectors = *n;
    return {};
}

std::string SetThreshold(Options& o, std::string_view v) {
    const auto x = ParseNumber(v);
    if (!x || *x <= 0 || *x > 100)
        return "--threshold: expected above 0 up to 100 dB/m, got " + Quote(v);
    o.scenario.thresholdDbPerM = *x;
    return {};
}

std::string SetLineErrors(Options& o, std::string_view v) {
    const auto x = ParseNumber(v);
    if (!x || *x < 0 || *x > 1)
        return "--line-errors: expected a share 0 to 1, got " + Quote(v);
    o.lineErrorRate = *x;
    return {};
}

std::string SetAddress(Options& o, std::string_view v) {
    const auto n = ParseIntIn(v, 0, 127);
    // The address byte (address | 0x80) must not look like a frame start or an escape.
    if (!n || (*n | 0x80) == core::kFrameStart || (*n | 0x80) == core::kEscape)
        return "--addr: expected 0-127 except 64 and 91, got " + Quote(v);
    o.address = *n;
    return {};
}

std::string SetSplit(Options& o, std::string_view v) {
    const auto s = ParseSeconds(v, 0.001);
    if (!s || *s < 0.001 || *s > 60.0)
        return "--split: expected 1 ms to 60 s, got " + Quote(v);
    o.splitMs = static_cast<int>(std::lround(*s * 1000.0));
    return {};
}

// Options that take a value; each setter applies it or returns an error text.
struct ValueOption {
    std::string_view name;
    std::string (*set)(Options&, std::string_view);
};

constexpr ValueOption kValueOptions[] = {
    {"--port", SetPort},           {"--device", SetDevice},
    {"--interval", SetInterval},   {"--stab", SetStab},
    {"--start", SetStart},         {"--adjust", SetAdjust},
    {"--measuring", SetMeasuring}, {"--fire", SetFire},
    {"--speed", SetSpeed},         {"--dist", SetDist},
    {"--seed", SetSeed},           {"--fault", AddFault},
    {"--outside", SetOutside},     {"--detectors", SetDetectors},
    {"--threshold", SetThreshold}, {"--line-errors", SetLineErrors},
    {"--addr", SetAddress},        {"--split", SetSplit},
    {"--unplug", AddUnplug},
};

constexpr tool_args::Option kHelpOption{"--help", 'h'};
constexpr tool_args::Option kVerbose{"--verbose", 'v'};

// Every option for the parser: the two flags, then the value options in their order.
constexpr auto kOptions = [] {
    std::array<tool_args::Option, 2 + std::size(kValueOptions)> all{kHelpOption, kVerbose};
    for (std::size_t i = 0; i < std::size(kValueOptions); ++i)
        all[2 + i] = {kValueOptions[i].name, 0, true};
    return all;
}();

} // namespace

std::optional<double> ParseNumber(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c == ',')
            c = '.';
    if (s.empty() || s.front() == '+' || s.front() == '.' || s.back() == '.')
        return std::nullopt;
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<double> ParseSeconds(std::string_view text, double bareUnitSec) {
    if (const auto colon = text.find(':'); colon != std::string_view::npos) {
        const auto minutes = ParseIntIn(text.substr(0, colon), 0, 99);
        const std::string_view secText = text.substr(colon + 1);
        const auto seconds = secText.size() == 2 ? ParseIntIn(secText, 0, 59) : std::nullopt;
        if (!minutes || !seconds || colon == 0)
            return std::nullopt;
        return *minutes * 60.0 + *seconds;
    }
    double unit = bareUnitSec;
    for (const auto& [suffix, sec] : {std::pair<std::string_view, double>{"ms", 0.001},
                                      {"min", 60.0},
                                      {"s", 1.0},
                                      {"m", 60.0}}) {
        if (text.size() > suffix.size() && text.ends_with(suffix)) {
            text.remove_suffix(suffix.size());
            unit = sec;
            break;
        }
    }
    const std::optional<double> v = ParseNumber(text);
    if (!v || *v < 0)
        return std::nullopt;
    return *v * unit;
}

std::optional<FaultInjection> ParseFault(std::string_view text) {
    const auto colon = text.find(':');
    const auto at = text.find('@');
    if (colon == std::string_view::npos || at == std::string_view::npos || at < colon)
        return std::nullopt;
    FaultInjection f;
    const std::string_view block = text.substr(0, colon);
    if (block == "em" || block == "emitter" || block == "bi")
        f.emitter = true;
    else if (!(block == "pd" || block == "photo" || block == "photodetector" || block == "bf"))
        return std::nullopt;
    const auto flags = ParseIntIn(text.substr(colon + 1, at - colon - 1), 1, 255);
    if (!flags)
        return std::nullopt;
    f.faults = static_cast<std::uint8_t>(*flags);
    std::string_view when = text.substr(at + 1);
    if (const auto plus = when.find('+'); plus != std::string_view::npos) {
        const auto duration = ParseSeconds(when.substr(plus + 1));
        if (!duration || *duration <= 0)
            return std::nullopt;
        f.durationSec = *duration;
        when = when.substr(0, plus);
    }
    const auto start = ParseSeconds(when);
    if (!start)
        return std::nullopt;
    f.atSec = *start;
    return f;
}

std::optional<UnplugGap> ParseUnplug(std::string_view text) {
    const auto plus = text.find('+');
    if (plus == std::string_view::npos)
        return std::nullopt;
    const auto from = ParseSeconds(text.substr(0, plus));
    const auto duration = ParseSeconds(text.substr(plus + 1));
    if (!from || !duration || *duration <= 0)
        return std::nullopt;
    return UnplugGap{*from, *duration};
}

ParsedOptions ParseOptions(std::span<const std::string_view> args) {
    ParsedOptions result;
    Options o;
    bool thresholdGiven = false;
    tool_args::OptionParser parser(kOptions, args);
    for (tool_args::Step step = parser.Next(); step.kind != tool_args::StepKind::End;
         step = parser.Next()) {
        if (step.kind == tool_args::StepKind::Operand ||
            step.kind == tool_args::StepKind::Unknown) {
            result.error = "unknown option " + Quote(step.name.empty() ? step.arg : step.name) +
                           " (see --help)";
            return result;
        }
        if (step.kind == tool_args::StepKind::MissingValue) {
            result.error = std::string(step.name) + ": missing value";
            return result;
        }
        const std::ptrdiff_t index = step.option - kOptions.data();
        if (index == 0) {
            result.help = true;
            return result;
        }
        if (index == 1) {
            o.verbose = true;
            continue;
        }
        if (std::string error = kValueOptions[index - 2].set(o, step.value); !error.empty()) {
            result.error = std::move(error);
            return result;
        }
        thresholdGiven |= step.option->name == "--threshold";
    }
    if (!thresholdGiven)
        o.scenario.thresholdDbPerM = DefaultThreshold(*o.scenario.fire);
    if (std::string error = ResolveOutside(o.scenario); !error.empty()) {
        result.error = std::move(error);
        return result;
    }
    if (o.port != 0 && !o.device.empty()) {
        result.error = "--port and --device exclude each other: a device is not registered";
        return result;
    }
    if (!o.unplugs.empty() && !o.device.empty()) {
        result.error = "--unplug: only the simulator's own pseudo-terminal can be unplugged, "
                       "not a --device";
        return result;
    }
    if (std::string error = CheckUnplugs(o.unplugs); !error.empty()) {
        result.error = std::move(error);
        return result;
    }
    if (o.splitMs >= o.intervalMs) {
        result.error = "--split: must be shorter than --interval";
        return result;
    }
    result.options = std::move(o);
    return result;
}

} // namespace meter
