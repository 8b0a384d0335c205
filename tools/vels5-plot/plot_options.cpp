// vels5-plot's arguments and help.
#include "tools/vels5-plot/plot_options.h"

#include "core/fire/fire_envelopes.h"
#include "core/graph/graph_controls.h"
#include "core/graph/graph_scale.h"
#include "tools/common/qt_options.h"

#include <charconv>
#include <cstdint>

namespace plot_tool {
namespace {

constexpr const char* kHelp = R"(Usage:
  vels5-plot [OPTION]... TABLE-FILE -o OUT.png|OUT.bmp
  vels5-plot [OPTION]... TABLE-FILE --json
  vels5-plot --help

Draws the graph window's picture of a table file (as "Сохранить таблицу" writes it,
read by the table window's own reader) without a display, exactly as the window's
off-screen picture would show it, and writes it as PNG or BMP by the extension of OUT.
TABLE-FILE "-" reads standard input. Every option sets one field of the window's view;
the defaults are those of a new window.

View:
  --unit 0|1|2          value scale: 0 m in dB/m, 1 attenuation k in %, 2 Ui in V (default 0)
  --scale-row N         row of the chosen scale's range table (dB/m 0-9, default 2:
                        0 to 0,25; % 0-4, default 3: 0 to 50; V 0-2, default 2: 0 to 5)
  --numpoint N          record periods across the plot, 1-3200 (default 200)
  --time-divisions N    time divisions, 1-100 (default 10 up to 100 periods across, else 8)
  --period S            seconds between records, 1-30 (default 1)
  --pan RECORDS         records stepped back from the newest (default 0)
  --overlay NAME        test-fire band TP1 TP2 TP2A TP2B TP3 TP3A TP3B TP4 TP5 TP5A TP5B
                        (or ТП1 ... ТП5Б), drawn in the dB/m scale only
  --template FILE       a template file (read as "Загрузить шаблон" reads it) as the overlay
  --shift PX            the overlay's time zero moved right by PX pixels, 0-32767 (default 0)
  --marks FILE          a fire test's marks file ("<table>.test.txt", as the monitor saves it):
                        lines at the fire start and at each alarm; with a fire and its start,
                        the fire's band anchored at the start (in place of its overlay) and
                        the records outside it redrawn in red, as the window shows the test.
                        The test's fire is that of --overlay when given (choosing a fire in
                        the window makes it the test's), else the file's, shown as the
                        overlay; with --template no band is drawn
  --size WxH            the picture, 1-8192 each (default 1064x394)
  --margins LEFT,BOTTOM pixels left of and below the plot area (default 75,25)
  --back-colour C       plot background   ("FormGraph cBack",   default 0x00000000)
  --margin-colour C     margins, labels   ("FormGraph cMargin", default 0x00808080)
  --grid-colour C       grid lines        ("FormGraph cGrid",   default 0x00008000)
  --font-colour C       label text        ("FormGraph cFont",   default 0x00000000)
  --curve-colour C      the curve         ("FormGraph cGrap",   default 0x0000FFFF)
                        colours as in the settings file: 0x00BBGGRR, blue in the high byte

Output:
  -o FILE               the picture: FILE ending in .png or .bmp (24 bits per pixel)
  --json                instead of a picture, the paint description on standard output:
                        one JSON object per primitive, in drawing order, e.g.
  {"kind":"fill","role":"margin","x1":0,"y1":0,"x2":1064,"y2":394,"colour":"0x00808080"}
  {"kind":"line","role":"grid","x1":198,"y1":0,"x2":198,"y2":369,"colour":"0x00008000","width":1,"style":"solid"}
  {"kind":"polyline","role":"curve","colour":"0x0000FFFF","width":3,"style":"solid","points":[[75,332],[79,330]]}
  {"kind":"text","role":"value-label","text":"0,025дБ/м","x1":7,"y1":325,"x2":70,"y2":340,"anchor":"middle-right","ax":70,"ay":332,"colour":"0x00000000","background":"0x00808080"}
                        kinds fill, line, polyline, text; roles margin, plot-area, grid,
                        time-label, axis-name, value-label, overlay, curve, and of a test
                        test-band, test-mark, test-label, violation; a dashed pen
                        ("style":"dash") also names the colour of its gaps ("gap")

Exit status: 0 done, 1 the window would refuse the table, template or marks file (its
message on standard error), 2 wrong arguments or a file cannot be read, 3 the output could not
be written.
)";

std::optional<long long> Integer(const std::string& text, long long min, long long max) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> Colour(const std::string& text) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data() + 2, end, value, 16);
    if (ec != std::errc{} || ptr != end || value > 0xFFFFFF)
        return std::nullopt;
    return value;
}

// "AxB" into two integers of [min, max].
bool Pair(const std::string& text, char separator, long long min, long long max, int& a, int& b) {
    const std::size_t at = text.find(separator);
    if (at == std::string::npos)
        return false;
    const auto first = Integer(text.substr(0, at), min, max);
    const auto second = Integer(text.substr(at + 1), min, max);
    if (!first || !second)
        return false;
    a = static_cast<int>(*first);
    b = static_cast<int>(*second);
    return true;
}

ParseResult Mistake(const std::string& text) {
    ParseResult r;
    r.exitStatus = kExitInput;
    r.error = "vels5-plot: " + text + "\nTry 'vels5-plot --help'.\n";
    return r;
}

// Options whose value is a number in a range: the field it sets.
struct NumberOption {
    const char* name;
    long long min, max;
};

// The pieces of the command line that are resolved once all arguments are known.
struct Pending {
    std::optional<long long> scaleRow, divisions;
    std::string overlay;
    bool haveTable = false;
};

// One option with its value; false with `problem` set when the value is wrong.
bool Apply(const std::string& name, const std::string& value, PlotOptions& o, Pending& p,
           std::string& problem) {
    const auto number = [&](long long min, long long max) -> std::optional<long long> {
        auto v = Integer(value, min, max);
        if (!v)
            problem = name + " takes a whole number from " + std::to_string(min) + " to " +
                      std::to_string(max) + ", not '" + value + "'";
        return v;
    };
    const auto colour = [&](std::uint32_t& field) {
        const auto c = Colour(value);
        if (!c)
            problem = name + " takes a colour 0x00BBGGRR, not '" + value + "'";
        else
            field = *c;
        return c.has_value();
    };
    std::optional<long long> v;
    if (name == "--unit" && (v = number(0, 2)))
        o.view.Unit = static_cast<std::uint8_t>(*v);
    else if (name == "--scale-row" && (v = number(0, 9)))
        p.scaleRow = v;
    else if (name == "--numpoint" && (v = number(1, core::kMaxNumPoint)))
        o.view.NumPoint = static_cast<std::int16_t>(*v);
    else if (name == "--time-divisions" && (v = number(1, 100)))
        p.divisions = v;
    else if (name == "--period" && (v = number(1, 30)))
        o.timeStepSec = static_cast<int>(*v);
    else if (name == "--pan" && (v = number(-(1 << 28), 1 << 28)))
        o.pan = static_cast<int>(*v);
    else if (name == "--shift" && (v = number(0, 32767)))
        o.shift = static_cast<int>(*v);
    else if (name == "--overlay")
        p.overlay = value;
    else if (name == "--template")
        o.templatePath = value;
    else if (name == "--marks")
        o.marksPath = value;
    else if (name == "-o")
        o.outputPath = value;
    else if (name == "--size") {
        if (!Pair(value, 'x', 1, 8192, o.width, o.height))
            problem = "--size takes WIDTHxHEIGHT, each 1-8192, not '" + value + "'";
    } else if (name == "--margins") {
        int left = 0, bottom = 0;
        if (!Pair(value, ',', 0, 32767, left, bottom))
            problem = "--margins takes LEFT,BOTTOM, each 0-32767, not '" + value + "'";
        o.view.LeftMargin = static_cast<std::int16_t>(left);
        o.view.BottomMargin = static_cast<std::int16_t>(bottom);
    } else if (name == "--back-colour")
        colour(o.view.cBack);
    else if (name == "--margin-colour")
        colour(o.view.cMargin);
    else if (name == "--grid-colour")
        colour(o.view.cGrid);
    else if (name == "--font-colour")
        colour(o.view.cFont);
    else if (name == "--curve-colour")
        colour(o.view.cGrap);
    else if (problem.empty())
        problem = "unknown option '" + name + "'";
    return problem.empty();
}

// Checks and applies what depends on several options.
std::string Finish(PlotOptions& o, const Pending& p) {
    if (!p.haveTable)
        return "no table file given";
    if (o.outputPath.empty() == !o.json)
        return o.json ? "--json writes no picture: leave out -o" : "no output: give -o or --json";
    if (!o.json) {
        const std::string& path = o.outputPath;
        const auto endsWith = [&](const char* ext) {
            const std::string e(ext);
            return path.size() > e.size() && path.compare(path.size() - e.size(), e.size(), e) == 0;
        };
        if (!endsWith(".png") && !endsWith(".bmp") && !endsWith(".PNG") && !endsWith(".BMP"))
            return "the output file must end in .png or .bmp: '" + path + "'";
    }
    if (p.scaleRow) {
        std::int16_t* row = core::ScaleRowIndex(o.view);
        if (*p.scaleRow > core::ScaleRowLimit(o.view.Unit))
            return "--scale-row of this unit runs from 0 to " +
                   std::to_string(core::ScaleRowLimit(o.view.Unit));
        *row = static_cast<std::int16_t>(*p.scaleRow);
    }
    o.view.wQx = static_cast<std::int16_t>(p.divisions              ? *p.divisions
                                           : o.view.NumPoint <= 100 ? 10
                                                                    : 8);
    if (!p.overlay.empty() && !o.templatePath.empty())
        return "--overlay and --template both choose the overlay: give one";
    if (!o.templatePath.empty())
        o.view.bVeiwTP = 10;
    if (!p.overlay.empty()) {
        const core::TestFireEnvelope* fire = core::FindTestFire(p.overlay);
        if (!fire)
            return "no test fire '" + p.overlay +
                   "': TP1 TP2 TP2A TP2B TP3 TP3A TP3B TP4 TP5 "
                   "TP5A TP5B";
        o.view.bVeiwTP = static_cast<std::int8_t>(fire->id);
    }
    return {};
}

} // namespace

ParseResult ParsePlotOptions(const std::vector<std::string>& args) {
    const qt_options::Parsed parsed = qt_options::Parse(
        args,
        {"unit", "scale-row", "numpoint", "time-divisions", "period", "pan", "overlay", "template",
         "shift", "marks", "size", "margins", "back-colour", "margin-colour", "grid-colour",
         "font-colour", "curve-colour", "o"},
        {"json"});
    if (parsed.help) {
        ParseResult r;
        r.out = kHelp;
        return r;
    }
    if (!parsed.error.empty())
        return Mistake(parsed.error);
    PlotOptions options;
    Pending pending;
    for (const auto& [name, value] : parsed.options) {
        std::string problem;
        if (name == "--json")
            options.json = true;
        else if (!Apply(name, value, options, pending, problem))
            return Mistake(problem);
    }
    if (parsed.operands.size() > 1)
        return Mistake("unexpected argument '" + parsed.operands[1] + "'");
    if (!parsed.operands.empty()) {
        options.tablePath = parsed.operands.front();
        pending.haveTable = true;
    }
    if (const std::string problem = Finish(options, pending); !problem.empty())
        return Mistake(problem);
    ParseResult r;
    r.options = options;
    return r;
}

const char* HelpText() {
    return kHelp;
}

} // namespace plot_tool
