// vels5-meter: the meter simulator's entry point (options, line, port map, signals).
#include "tools/vels5-meter/meter_line.h"
#include "tools/vels5-meter/options.h"
#include "tools/vels5-meter/registration.h"
#include "tools/vels5-meter/simulator.h"
#include "tools/vels5-meter/stop_request.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

std::string Describe(const meter::Options& o) {
    std::string text =
        "fire " + std::string(o.scenario.fire->name) + ", " + std::to_string(o.intervalMs) + " ms";
    if (o.address >= 0)
        text += ", address " + std::to_string(o.address);
    if (const auto& out = o.scenario.outside)
        text += std::string(", outside ") +
                (out->side == core::BandSide::Upper ? "above" : "below") + " from " +
                meter::SecondsText(out->fromSec) + " to " +
                meter::SecondsText(out->fromSec + out->durationSec) + " s";
    if (o.scenario.detectors > 0)
        text += ", " + std::to_string(o.scenario.detectors) + " detectors around " +
                meter::SecondsText(o.scenario.thresholdDbPerM) + " dB/m";
    for (const meter::UnplugGap& gap : o.unplugs)
        text += ", unplugged at " + meter::SecondsText(gap.fromSec) + " s of the fire for " +
                meter::SecondsText(gap.durationSec) + " s";
    return text;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ); // (a size: Windows refuses 0)
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const meter::ParsedOptions parsed = meter::ParseOptions(args);
    if (parsed.help) {
        std::fputs(meter::HelpText().c_str(), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "vels5-meter: %s\n", parsed.error.c_str());
        return 2;
    }
    const meter::Options& options = *parsed.options;
    const meter::StopRequest& stop = meter::StopRequest::Install();

    std::string error;
    std::optional<meter::MeterLine> line =
        options.device.empty() ? meter::MeterLine::OpenPty(error)
                               : meter::MeterLine::OpenDevice(options.device, error);
    if (!line) {
        std::fprintf(stderr, "vels5-meter: %s\n", error.c_str());
        return 1;
    }
#ifndef _WIN32
    // A pseudo-terminal enters the port map as COMn for as long as the simulator runs.
    comm::PortMap map;
    meter::Registration registration(map);
    meter::LineSocket* socket = nullptr;
    if (line->IsPty()) {
        // To be unplugged, the entry leads to the terminal the way an adapter's leads to it.
        const bool replugable = !options.unplugs.empty();
        const int number = registration.Register(line->Path(), options.port, meter::kFirstComNumber,
                                                 error, replugable);
        if (number < 0) {
            std::fprintf(stderr, "vels5-meter: %s\n", error.c_str());
            return 2;
        }
        std::printf("vels5-meter: COM%d -> %s (%s)\n", number, line->Path().c_str(),
                    Describe(options).c_str());
        if (replugable)
            socket = &registration;
    } else
#endif
    {
        std::printf("vels5-meter: %s (%s)\n", line->Path().c_str(), Describe(options).c_str());
    }

#ifdef _WIN32
    meter::LineSocket* socket = nullptr;
#endif
    meter::Simulator simulator(options, std::move(*line), stdout, socket);
    const int status = simulator.Run(stop);
#ifndef _WIN32
    if (registration.Number() > 0) {
        const int number = registration.Number();
        registration.Remove();
        std::printf("vels5-meter: stopped, COM%d removed\n", number);
        return status;
    }
#endif
    std::printf("vels5-meter: stopped\n");
    return status;
}
