// The meter simulator's command line: accepted forms, refusals and the help text.
#include "tools/vels5-meter/options.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using meter::ParsedOptions;

ParsedOptions Parse(std::initializer_list<std::string_view> args) {
    const std::vector<std::string_view> v(args);
    return meter::ParseOptions(v);
}

TEST(MeterOptions, DefaultsAreThoseOfTheHelp) {
    const ParsedOptions p = Parse({});
    ASSERT_TRUE(p.options) << p.error;
    const meter::Options& o = *p.options;
    EXPECT_EQ(o.port, 0);
    EXPECT_TRUE(o.device.empty());
    EXPECT_EQ(o.intervalMs, 200);
    EXPECT_EQ(o.scenario.stabSec, 20);
    EXPECT_EQ(o.scenario.fire->name, "ТП1");
    EXPECT_EQ(o.scenario.speed, 1.0);
    EXPECT_EQ(o.scenario.distM, 1.0);
    EXPECT_EQ(o.lineErrorRate, 0.0);
    EXPECT_EQ(o.address, -1);
    EXPECT_FALSE(o.verbose);
}

TEST(MeterOptions, AcceptedForms) {
    auto one = [](std::initializer_list<std::string_view> args) {
        ParsedOptions p = Parse(args);
        EXPECT_TRUE(p.options) << *args.begin() << ": " << p.error;
        return p.options.value_or(meter::Options{});
    };
    EXPECT_EQ(one({"--stab", "00:20"}).scenario.stabSec, 20);
    EXPECT_EQ(one({"--stab=1:30"}).scenario.stabSec, 90);
    EXPECT_EQ(one({"--stab", "45"}).scenario.stabSec, 45);
    EXPECT_EQ(one({"--stab", "0"}).scenario.stabSec, 0);
    EXPECT_EQ(one({"--interval", "50"}).intervalMs, 50);
    EXPECT_EQ(one({"--interval", "0,5s"}).intervalMs, 500);
    EXPECT_EQ(one({"--interval=1s"}).intervalMs, 1000);
    EXPECT_DOUBLE_EQ(one({"--dist", "1,5"}).scenario.distM, 1.5);
    EXPECT_DOUBLE_EQ(one({"--dist", "2.5"}).scenario.distM, 2.5);
    EXPECT_EQ(one({"--fire", "TP2A"}).scenario.fire->id, 6);
    EXPECT_EQ(one({"--fire", "ТП5Б"}).scenario.fire->id, 12);
    EXPECT_EQ(one({"--fire=tp3b"}).scenario.fire->id, 9);
    EXPECT_DOUBLE_EQ(one({"--speed", "0"}).scenario.speed, 0.0);
    EXPECT_DOUBLE_EQ(one({"--line-errors", "0,05"}).lineErrorRate, 0.05);
    EXPECT_EQ(one({"--addr", "5"}).address, 5);
    EXPECT_EQ(one({"--addr", "0x7f"}).address, 127);
    EXPECT_EQ(one({"--port", "9"}).port, 9);
    EXPECT_EQ(one({"--device", "/dev/ttyUSB0"}).device, "/dev/ttyUSB0");
    EXPECT_EQ(one({"--seed", "12345678901"}).scenario.seed, 12345678901u);
    EXPECT_DOUBLE_EQ(one({"--adjust", "3"}).scenario.adjustSec, 3.0);
    EXPECT_DOUBLE_EQ(one({"--start", "500ms"}).scenario.startSec, 0.5);
    EXPECT_DOUBLE_EQ(one({"--measuring", "0"}).scenario.measuringSec, 0.0);
    EXPECT_TRUE(one({"-v"}).verbose);
    EXPECT_EQ(one({"--split", "100"}).splitMs, 100);
    const meter::Options two = one({"--fault", "em:2@30+10", "--fault=pd:0x08@1m"});
    ASSERT_EQ(two.scenario.faults.size(), 2u);
    EXPECT_TRUE(two.scenario.faults[0].emitter);
    EXPECT_FALSE(two.scenario.faults[1].emitter);
}

TEST(MeterOptions, RefusedWithAMessageNamingTheOption) {
    const std::vector<std::vector<std::string_view>> bad{
        {"--stab", "1:5"},   {"--stab", "100:00"},     {"--stab", "1,5"},
        {"--dist", "0,2"},   {"--dist", "11"},         {"--dist", "abc"},
        {"--dist", "1,"},    {"--interval", "5"},      {"--interval", "2m"},
        {"--fire", "TP6"},   {"--addr", "64"},         {"--addr", "91"},
        {"--addr", "128"},   {"--line-errors", "1,5"}, {"--line-errors", "-0,1"},
        {"--port", "0"},     {"--port", "256"},        {"--speed", "-1"},
        {"--fault", "em:1"}, {"--adjust", "x"},        {"--seed", "-3"},
        {"--device", ""},
    };
    for (const auto& args : bad) {
        const ParsedOptions p = meter::ParseOptions(args);
        EXPECT_FALSE(p.options) << args[0] << ' ' << args[1];
        EXPECT_NE(p.error.find(args[0]), std::string::npos) << p.error;
    }
}

TEST(MeterOptions, UnknownMissingAndConflictingOptions) {
    EXPECT_NE(Parse({"--colour"}).error.find("unknown option '--colour'"), std::string::npos);
    EXPECT_NE(Parse({"--fire"}).error.find("--fire: missing value"), std::string::npos);
    EXPECT_FALSE(Parse({"--port", "5", "--device", "/dev/ttyS0"}).options);
    EXPECT_NE(Parse({"--split", "200"}).error.find("--split"), std::string::npos);
    EXPECT_TRUE(Parse({"--stab", "5", "--help"}).help);
    EXPECT_TRUE(Parse({"-h"}).help);
}

TEST(MeterOptions, OutsideStretchAndDetectors) {
    auto one = [](std::initializer_list<std::string_view> args) {
        ParsedOptions p = Parse(args);
        EXPECT_TRUE(p.options) << *args.begin() << ": " << p.error;
        return p.options.value_or(meter::Options{});
    };
    using core::BandSide;
    EXPECT_FALSE(one({}).scenario.outside);
    EXPECT_EQ(one({"--outside", "upper@140+12"}).scenario.outside,
              (meter::OutsideStretch{BandSide::Upper, 140, 12}));
    EXPECT_EQ(one({"--outside=lower@5m"}).scenario.outside,
              (meter::OutsideStretch{BandSide::Lower, 300, 32})); // ТП1's default length
    // The default stretch is that of the fire, given before or after.
    EXPECT_EQ(one({"--outside", "upper", "--fire", "TP2"}).scenario.outside,
              meter::DefaultStretch(*core::FindTestFire(2), BandSide::Upper));
    EXPECT_EQ(one({"--detectors", "4"}).scenario.detectors, 4);
    EXPECT_DOUBLE_EQ(one({"--detectors", "4"}).scenario.thresholdDbPerM, 0.1);
    EXPECT_NEAR(one({"--fire", "TP3A"}).scenario.thresholdDbPerM, 0.025, 1e-6);
    EXPECT_DOUBLE_EQ(one({"--threshold", "0,2", "--fire", "TP3A"}).scenario.thresholdDbPerM, 0.2);

    for (const std::vector<std::string_view>& bad :
         std::vector<std::vector<std::string_view>>{{"--outside", "above"},
                                                    {"--outside", "upper@"},
                                                    {"--outside", "upper@10+0"},
                                                    {"--outside", "lower@100"},
                                                    {"--detectors", "0"},
                                                    {"--detectors", "100"},
                                                    {"--threshold", "0"}}) {
        const ParsedOptions p = meter::ParseOptions(bad);
        EXPECT_FALSE(p.options) << bad[1];
        EXPECT_NE(p.error.find(bad[0]), std::string::npos) << p.error;
    }
    // ТП1's lower limit begins at 220 s: nothing can be below it earlier.
    EXPECT_NE(Parse({"--outside", "lower@100"}).error.find("begins at 220 s"), std::string::npos);
}

TEST(MeterOptions, UnplugGapsAreSortedAndMustNotOverlap) {
    const ParsedOptions p = Parse({"--unplug", "1:30+5s", "--unplug=40+8"});
    ASSERT_TRUE(p.options) << p.error;
    ASSERT_EQ(p.options->unplugs.size(), 2u);
    EXPECT_DOUBLE_EQ(p.options->unplugs[0].fromSec, 40);
    EXPECT_DOUBLE_EQ(p.options->unplugs[0].durationSec, 8);
    EXPECT_DOUBLE_EQ(p.options->unplugs[1].fromSec, 90);
    EXPECT_DOUBLE_EQ(p.options->unplugs[1].durationSec, 5);
    EXPECT_TRUE(Parse({"--unplug", "40+8", "--unplug", "48+1"}).options); // back-to-back
    EXPECT_NE(Parse({"--unplug", "40+8", "--unplug", "47+1"}).error.find("begins before"),
              std::string::npos);
    EXPECT_NE(Parse({"--unplug", "40+8", "--device", "/dev/ttyS0"}).error.find("--unplug"),
              std::string::npos);
    for (const char* bad : {"40", "40+", "+8", "40+0", "x+8", "40+-1", "-5+8"})
        EXPECT_NE(Parse({"--unplug", bad}).error.find("--unplug: expected FROM+DURATION"),
                  std::string::npos)
            << bad;
}

TEST(MeterOptions, FaultInjectionsAreParsed) {
    auto f = meter::ParseFault("em:0x02@30s+10s");
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->emitter);
    EXPECT_EQ(f->faults, 0x02);
    EXPECT_DOUBLE_EQ(f->atSec, 30);
    EXPECT_DOUBLE_EQ(f->durationSec, 10);
    f = meter::ParseFault("bf:16@1:30+500ms");
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->emitter);
    EXPECT_EQ(f->faults, 0x10);
    EXPECT_DOUBLE_EQ(f->atSec, 90);
    EXPECT_DOUBLE_EQ(f->durationSec, 0.5);
    f = meter::ParseFault("photodetector:0x1C@2m");
    ASSERT_TRUE(f);
    EXPECT_DOUBLE_EQ(f->atSec, 120);
    EXPECT_LT(f->durationSec, 0);
    for (const char* bad : {"xx:1@1", "em:0@1", "em:256@1", "em:1", "em:1@", "em:1@5+0", "em:1@-5",
                            "em@5:1", "em:0x@1", ":1@1", "em:1@5+"})
        EXPECT_FALSE(meter::ParseFault(bad)) << bad;
}

TEST(MeterOptions, SecondsAndNumbers) {
    EXPECT_EQ(meter::ParseSeconds("00:20"), 20.0);
    EXPECT_EQ(meter::ParseSeconds("250ms"), 0.25);
    EXPECT_EQ(meter::ParseSeconds("2min"), 120.0);
    EXPECT_EQ(meter::ParseSeconds("200", 0.001), 0.2);
    EXPECT_FALSE(meter::ParseSeconds(""));
    EXPECT_FALSE(meter::ParseSeconds("s"));
    EXPECT_FALSE(meter::ParseSeconds(":20"));
    EXPECT_FALSE(meter::ParseSeconds("1:2:3"));
    EXPECT_EQ(meter::ParseNumber("0,25"), 0.25);
    EXPECT_FALSE(meter::ParseNumber("1,2,3"));
    EXPECT_FALSE(meter::ParseNumber("inf"));
    EXPECT_FALSE(meter::ParseNumber(" 1"));
}

TEST(MeterOptions, HelpNamesEveryOption) {
    const std::string help = meter::HelpText();
    for (const char* option :
         {"--port",        "--device",    "--interval",  "--start", "--stab",      "--adjust",
          "--measuring",   "--fire",      "--speed",     "--dist",  "--seed",      "--fault",
          "--line-errors", "--addr",      "--verbose",   "--help",  "C0 22 00 EE", "SIGTERM",
          "--outside",     "--detectors", "--threshold", "COM5",    "ТП5Б",        "TP5B",
          "--unplug",      "--split"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

} // namespace
