// vels5-report's arguments and help.
#include "tools/vels5-report/report_options.h"

#include "core/common/format.h"
#include "core/session/measurement_params.h"
#include "tools/common/qt_options.h"

#include <algorithm>
#include <cmath>

namespace report_tool {
namespace {

constexpr const char* kHelp = R"(Usage:
  vels5-report [OPTION]... TABLE-FILE -o REPORT.pdf
  vels5-report --help

Writes the test report ("Протокол испытания") of a table file (as "Сохранить таблицу"
writes it, read by the table window's own reader) as a PDF, A4 portrait, as the graph
window's "Отчёт…" writes it for the log on screen:

  page 1   the date and time of the log's start, its duration and records, the test
           fire, the distance ("База") and the recording period, the fire start; the
           graph picture of the whole log with the fire's band anchored at the fire start
           and the alarm lines; the verdict with its intervals outside the band, as the
           window "Испытание" shows it; the detectors (name, alarm time, threshold) and
           the ratio of the thresholds
  then     the records as an appendix, 120 rows a page, each page numbered

The test comes from the marks file beside the table file ("TABLE-FILE.test.txt", as the
monitor saves it), which also holds the distance and period of the log; what is not known
is written as "—". The date is known when the table file's name starts with the log's
start, as the journal names its files ("2026-01-31_14-05-09.txt").
TABLE-FILE "-" reads standard input (then only --marks gives a test).

Options:
  -o FILE           the PDF to write; replaced only once the whole report is written
  --marks FILE      the marks file to use instead of the one beside the table file
  --fire FIRE       the test fire (ТП1 ... ТП5Б or TP1 ... TP5B) in place of the marks'
  --start S         the fire start, seconds of the log (the records' T; comma or point)
  --distance M      the distance between the blocks, 0,3 to 10 m (comma or point)
  --period S        the recording period, 1 to 30 s

Exit status: 0 done, 1 the window would refuse the table or marks file (its message on
standard error), 2 wrong arguments or a file cannot be read, 3 the report could not be
written (nothing is left at REPORT.pdf then).
)";

ParseResult Mistake(const std::string& text) {
    ParseResult r;
    r.exitStatus = kExitInput;
    r.error = "vels5-report: " + text + "\nTry 'vels5-report --help'.\n";
    return r;
}

// A decimal number with a comma or a point.
std::optional<double> Number(std::string text) {
    std::replace(text.begin(), text.end(), '.', ',');
    const core::Conversion<double> value = core::ParseDecimal(text);
    if (!value || !std::isfinite(*value.value))
        return std::nullopt;
    return value.value;
}

// One option with its value; the problem, empty when the value is right.
std::string Apply(const std::string& name, const std::string& value, ReportOptions& o) {
    if (name == "-o") {
        o.outputPath = value;
    } else if (name == "--marks") {
        o.marksPath = value;
    } else if (name == "--fire") {
        o.fire = core::FindTestFire(value);
        if (!o.fire)
            return "--fire: no test fire '" + value + "' (ТП1 ... ТП5Б or TP1 ... TP5B)";
    } else if (name == "--start") {
        const std::optional<double> t = Number(value);
        if (!t || *t < 0 || *t > 65'535)
            return "--start takes seconds 0 to 65535, not '" + value + "'";
        o.startT = std::round(*t * 10) / 10;
    } else if (name == "--distance") {
        const std::optional<double> m = Number(value);
        if (!m || !core::DistInRange(*m))
            return "--distance takes metres 0,3 to 10, not '" + value + "'";
        o.distanceM = static_cast<float>(*m);
    } else if (name == "--period") {
        const core::Conversion<long long> s = core::ParseInteger(value);
        if (!s || !core::PeriodInRange(*s.value))
            return "--period takes whole seconds 1 to 30, not '" + value + "'";
        o.periodSec = static_cast<int>(*s.value);
    } else {
        return "unknown option '" + name + "'";
    }
    return {};
}

} // namespace

ParseResult ParseReportOptions(const std::vector<std::string>& args) {
    const qt_options::Parsed parsed =
        qt_options::Parse(args, {"o", "marks", "fire", "start", "distance", "period"});
    if (parsed.help) {
        ParseResult r;
        r.out = kHelp;
        return r;
    }
    if (!parsed.error.empty())
        return Mistake(parsed.error);
    ReportOptions options;
    for (const auto& [name, value] : parsed.options)
        if (const std::string problem = Apply(name, value, options); !problem.empty())
            return Mistake(problem);
    if (parsed.operands.size() > 1)
        return Mistake("unexpected argument '" + parsed.operands[1] + "'");
    if (parsed.operands.empty())
        return Mistake("no table file given");
    options.tablePath = parsed.operands.front();
    if (options.outputPath.empty())
        return Mistake("no output: give -o REPORT.pdf");
    ParseResult r;
    r.options = options;
    return r;
}

} // namespace report_tool
