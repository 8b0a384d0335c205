// vels5-table: reads a table or template file exactly as the windows do and prints its
// records as JSON lines or CSV.
#include "core/files/sys_file.h"
#include "core/files/table_file.h"
#include "core/files/template_file.h"
#include "core/fire/fire_marks.h"
#include "core/journal/journal_store.h"
#include "tools/common/option_parser.h"
#include "tools/common/tool_input.h"
#include "tools/vels5-table/check_output.h"
#include "tools/vels5-table/table_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitInput = 2;
constexpr int kExitOutput = 3;

constexpr const char* kHelp =
    R"help(Usage:
  vels5-table [--delim C] [--units on|off] [--csv] TABLE-FILE
  vels5-table --template [--csv] TEMPLATE-FILE
  vels5-table --check FIRE --start SECONDS [--end SECONDS] TABLE-FILE
  vels5-table [--check FIRE] --marks MARKS-FILE [--end SECONDS] TABLE-FILE
  vels5-table --journals DIR
  vels5-table --help

Reads a table file of the monitor (as "Сохранить таблицу" and the save offer write it:
Windows-1251, CR LF, decimal comma) through the same reader as the table window's
"Загрузить таблицу", and prints one JSON object per line of the file:

  {"line":1,"time":"12:34:56","T":5,"Ui":4.321,"m":0.123,"row":"..."}

  line   line of the file, from 1
  time   time of day of the record
  T      seconds since the log's start
  Ui     mean received signal, V
  m      smoke optical density, dB/m (may be negative)
  row    the line as the table window shows it after loading it (UTF-8)

A break of the link kept in the marks file beside the table file ("<file>.test.txt",
"Разрыв=123;131") is a line of its own between the records it lies between:

  {"gap":[123,131]}

  the T of the last record before the break and of the first after it; no record was
  written in between.

Options:
  --delim C       delimiter of the rebuilt rows; only its first character counts, as for
                  the window's setting (default ";")
  --units on|off  unit suffixes in the rebuilt rows (default off)
  --template      read a template file as the graph window's "Загрузить шаблон" does and
                  print {"line":1,"T":0,"m":0.05} per point (T in seconds from the first)
  --csv           RFC 4180 CSV instead: a header (time,T_s,Ui_V,m_dB_per_m, or T_s,m_dB_per_m
                  for a template), a decimal point and CR LF, for spreadsheets and scripts
                  in any locale
TABLE-FILE or TEMPLATE-FILE "-" reads standard input.

The fire test:
  --check FIRE    check the records against the band of test fire FIRE (ТП1 ... ТП5Б or
                  TP1 ... TP5B) as the window "Испытание" does, and print the verdict as
                  one JSON object instead of the records:

  {"fire":"ТП1","start":12.0,"inside":false,"end":270.0,"checked":259,"violations":
   [{"from":140,"to":152,"side":"upper","extreme":0.31}],"gaps":[],"ended":true,
   "verdict":"ТП1: выше границы с 140 по 152 с (макс. 0,310 дБ/м)"}

                  start: the fire start in seconds of the log (the records' T); end, from
                  and to: seconds from the fire start. Every record from the start to the
                  end is checked; a violation is a run of records on one side of the band,
                  with its largest m above it or smallest below it (extreme, dB/m); a gap
                  a run of records without a value (not a number), which are not checked;
                  linkGaps (only when there are any): the breaks of the link of the marks
                  file within the checked stretch, each {"gap":[from,to]} in seconds from
                  the fire start, named by the verdict ("ТП1: в допуске; разрыв связи
                  111–119 с"); a violation never runs across one.
                  The record at which m first reaches the fire's end-of-test value ends the
                  test and counts as that value against the upper limit. inside: records
                  were checked, none outside the band and no gap; ended: the test ended
                  within the records (otherwise the verdict holds up to the last record:
                  "ТП1: в допуске до 120 с, испытание не завершено"); nothing checked is
                  "ТП1: нет данных".
  --start S       the fire start, seconds of the log (comma or point)
  --end S         the end of the check, seconds of the log (default: where m first reaches
                  the fire's end-of-test value, otherwise the last record); the test has
                  ended when the records reach it
  --marks FILE    take the fire, the start and the end from a marks file ("<table>.test.txt",
                  as the monitor saves it beside the table file): the end is the last alarm
                  when every detector has alarmed before m reached the end-of-test value;
                  --check and --end given as well take precedence

A file the window would refuse prints one object instead (also with --csv), with the
message exactly as the window shows it and the line where reading stopped (0 when the
file as a whole is refused):

  {"error":"Файл таблицы повреждён","line":4}

The journal:
  --journals DIR  list the journals of the folder DIR (the monitor's is
                  ~/.local/share/vels5/journal), newest first, one JSON object each:

  {"file":"2026-01-31_14-05-09.txt","start":"31.01.2026 14:05:09","readable":true,
   "records":12,"duration":11,"fire":"ТП2","verdict":"ТП2: в допуске","closed":false,
   "offered":false,"saved":null}

                  duration: T of the last record, s; closed: the log ended normally;
                  offered: offered for recovery at a start; saved: the table file the
                  user saved the whole log to, or null

Exit status: 0 the file was read, 1 the window would refuse it, 2 wrong arguments or the
file cannot be read, 3 the output could not be written.
)help";

struct Options {
    std::string delim = ";";
    bool isUnit = false;
    bool isTemplate = false;
    table_tool::Format format = table_tool::Format::Json;
    std::string path;
    const core::TestFireEnvelope* checkFire = nullptr; ///< --check
    std::optional<double> startT;                      ///< --start
    std::optional<double> endT;                        ///< --end
    std::string marksPath;                             ///< --marks
    bool Check() const { return checkFire || !marksPath.empty(); }
};

int Usage(const std::string& problem) {
    std::fprintf(stderr, "vels5-table: %s\nTry 'vels5-table --help'.\n", problem.c_str());
    return kExitInput;
}

constexpr tool_args::Option kHelpOption{"--help", 'h'};
constexpr tool_args::Option kTemplate{"--template"};
constexpr tool_args::Option kCsv{"--csv"};
constexpr tool_args::Option kDelim{"--delim", 0, true};
constexpr tool_args::Option kCheck{"--check", 0, true};
constexpr tool_args::Option kStart{"--start", 0, true};
constexpr tool_args::Option kEnd{"--end", 0, true};
constexpr tool_args::Option kMarks{"--marks", 0, true};
constexpr tool_args::Option kUnits{"--units", 0, true};
constexpr tool_args::Option kOptions[] = {kHelpOption, kTemplate, kCsv,   kDelim, kCheck,
                                          kStart,      kEnd,      kMarks, kUnits};

// Parses the arguments; returns -1 to go on, otherwise the exit status.
int Parse(std::span<const std::string_view> args, Options& options) {
    bool havePath = false;
    tool_args::OptionParser parser(kOptions, args);
    for (tool_args::Step step = parser.Next(); step.kind != tool_args::StepKind::End;
         step = parser.Next()) {
        const std::string_view name = step.option ? step.option->name : std::string_view();
        const std::string value(step.value);
        if (step.kind == tool_args::StepKind::Operand && !havePath) {
            options.path = value;
            havePath = true;
        } else if (step.kind != tool_args::StepKind::Option) {
            return Usage("unexpected argument '" + std::string(step.arg) + "'");
        } else if (name == kHelpOption.name) {
            std::fputs(kHelp, stdout);
            return kExitOk;
        } else if (name == kTemplate.name) {
            options.isTemplate = true;
        } else if (name == kCsv.name) {
            options.format = table_tool::Format::Csv;
        } else if (name == kDelim.name) {
            options.delim = core::DelimiterFromSetting(value);
        } else if (name == kCheck.name) {
            options.checkFire = core::FindTestFire(value);
            if (!options.checkFire)
                return Usage("--check: no test fire '" + value +
                             "' (ТП1 ... ТП5Б or TP1 ... TP5B)");
        } else if (name == kStart.name || name == kEnd.name) {
            const std::optional<double> t = table_tool::ParseLogSeconds(value);
            if (!t)
                return Usage(std::string(name) + " takes seconds 0 to 65535, not '" + value + "'");
            (name == kStart.name ? options.startT : options.endT) = t;
        } else if (name == kMarks.name) {
            options.marksPath = value;
        } else {
            if (value != "on" && value != "off")
                return Usage("--units takes on or off, not '" + value + "'");
            options.isUnit = value == "on";
        }
    }
    if (!havePath)
        return Usage("no file given");
    if ((options.startT || options.endT) && !options.Check())
        return Usage("--start and --end belong to --check or --marks");
    if (options.Check() && options.isTemplate)
        return Usage("--check reads a table file, not a template");
    if (options.checkFire && options.marksPath.empty() && !options.startT)
        return Usage("--check needs --start SECONDS (or --marks FILE)");
    return -1;
}

int Print(const std::string& text, int status);

bool Read(const std::string& path, std::string& bytes) {
    return tool_input::ReadInput("vels5-table", path, bytes);
}

// The verdict of the records against the fire of --check or of the marks file.
int Check(const Options& options, const core::TableFileLoad& table) {
    core::TestMarks marks;
    if (!options.marksPath.empty()) {
        std::string bytes;
        if (!Read(options.marksPath, bytes))
            return kExitInput;
        const core::MarksLoad load = core::ParseMarksFile(bytes);
        if (!load)
            return Print(
                table_tool::FormatRefusal({core::FileRefusal::Kind::Notice, load.error, load.line}),
                kExitRefused);
        marks = *load.marks;
    }
    const core::TestFireEnvelope* fire =
        options.checkFire ? options.checkFire : core::FindTestFire(marks.fireId);
    const std::optional<double> start = options.startT ? options.startT : marks.fireStartT;
    if (!fire)
        return Usage("the marks file names no test fire: give --check FIRE");
    if (!start)
        return Usage("the marks file has no fire start: give --start SECONDS");
    const std::optional<double> allAlarmed = marks.AllAlarmed() ? marks.LastAlarmT() : std::nullopt;
    const core::BandVerdict verdict =
        core::CheckTest(*fire, table.records, *start, allAlarmed, options.endT, marks.gaps);
    return Print(table_tool::FormatCheck(*fire, *start, verdict), kExitOk);
}

int Print(const std::string& text, int status) {
    const bool ok =
        std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
    if (!ok) {
        std::fprintf(stderr, "vels5-table: cannot write the output: %s\n", std::strerror(errno));
        return kExitOutput;
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    tool_input::BinaryStdio();
    tool_input::Utf8Arguments utf8(argc, argv);
    argc = utf8.Count();
    argv = utf8.Argv();
    if (argc >= 2 && std::string_view(argv[1]) == "--journals") {
        if (argc != 3)
            return Usage("--journals takes one folder and nothing else");
        core::sys::FileInfo info;
        if (!core::sys::Stat(argv[2], info) || !info.folder) {
            std::fprintf(stderr, "vels5-table: cannot read the folder %s: %s\n", argv[2],
                         std::strerror(errno != 0 ? errno : ENOTDIR));
            return kExitInput;
        }
        return Print(table_tool::FormatJournals(core::ListJournals(argv[2])), kExitOk);
    }
    Options options;
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (const int status = Parse(args, options); status >= 0)
        return status;
    std::string bytes;
    if (!Read(options.path, bytes))
        return kExitInput;
    if (options.isTemplate) {
        const core::TemplateFileLoad load = core::ReadTemplateFile(bytes);
        if (!load)
            return Print(table_tool::FormatRefusal(*load.refusal), kExitRefused);
        return Print(table_tool::FormatPoints(load, options.format), kExitOk);
    }
    const core::TableFileLoad load = core::ReadTableFile(bytes, options.delim, options.isUnit);
    if (!load)
        return Print(table_tool::FormatRefusal(*load.refusal), kExitRefused);
    if (options.Check())
        return Check(options, load);
    // The breaks of the link come from the marks beside the file, when they can be read.
    std::vector<core::LinkGap> gaps;
    if (options.path != "-") {
        const core::MarksBeside beside = core::LoadMarksBeside(options.path);
        if (beside.status == core::MarksBeside::Status::Loaded)
            gaps = beside.load.marks->gaps;
    }
    return Print(table_tool::FormatRecords(load, options.format, gaps), kExitOk);
}
