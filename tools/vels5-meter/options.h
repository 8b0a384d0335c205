// Command line of the meter simulator: what it accepts and its help text.
#pragma once

#include "tools/vels5-meter/scenario.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace meter {

/// A pulled cable: the pseudo-terminal closes when the fire reaches `fromSec` and a new one
/// is offered under the same COM entry `durationSec` (real seconds) later.
struct UnplugGap {
    double fromSec = 0;     ///< seconds of the fire
    double durationSec = 0; ///< seconds the line stays away, > 0
};

/// The lowest COM number the simulator takes when none is given.
inline constexpr int kFirstComNumber = 5;

struct Options {
    int port = 0;                   ///< --port: COM number 1-255; 0 = lowest free from 5
    std::string device;             ///< --device: drive this serial device, no pseudo-terminal
    int intervalMs = 200;           ///< --interval: ms between status frames, 10-60000
    double lineErrorRate = 0;       ///< --line-errors: share of damaged frames, 0-1
    int address = -1;               ///< --addr: block address 0-127 (long header); -1 short
    int splitMs = 0;                ///< --split: send frames in two writes this far apart (ms)
    bool verbose = false;           ///< --verbose: print every frame sent
    std::vector<UnplugGap> unplugs; ///< --unplug, by ascending fromSec, not overlapping
    ScenarioConfig scenario;
};

/// Result of parsing: options, or a request for help, or an error text for the user.
struct ParsedOptions {
    std::optional<Options> options;
    bool help = false;
    std::string error;
};

/// Parses the arguments after the program name. Accepts "--name value" and "--name=value".
ParsedOptions ParseOptions(std::span<const std::string_view> args);

/// The --help text (UTF-8, ends with a newline).
std::string HelpText();

/// A decimal number written with a comma or a point ("1,5", "1.5", "2"); nullopt otherwise.
std::optional<double> ParseNumber(std::string_view text);

/// A time span in seconds: "mm:ss", or a number with an optional unit "ms", "s", "m" or
/// "min"; a bare number is in `bareUnitSec` seconds. Negative and empty texts fail.
std::optional<double> ParseSeconds(std::string_view text, double bareUnitSec = 1.0);

/// A fault injection "BLOCK:FLAGS@TIME[+DURATION]", e.g. "em:0x02@30s+10s". BLOCK is em,
/// emitter or bi for the emitter block; pd, photo, photodetector or bf for the
/// photodetector block. FLAGS is 1-255, decimal or 0x hex. TIME is scenario time
/// (from its start); without DURATION the fault lasts until the end.
std::optional<FaultInjection> ParseFault(std::string_view text);

/// A pulled cable "FROM+DURATION", e.g. "40+8" or "1:30+5s": FROM in seconds of the fire,
/// DURATION > 0 seconds.
std::optional<UnplugGap> ParseUnplug(std::string_view text);

} // namespace meter
