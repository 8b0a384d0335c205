// vels5-table: reads a table or template file exactly as the windows do and prints its
// records as JSON lines or CSV.
#include "core/table_file.h"
#include "core/template_file.h"
#include "tools/vels5-table/table_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitInput = 2;
constexpr int kExitOutput = 3;

constexpr const char* kHelp =
    R"(Usage:
  vels5-table [--delim C] [--units on|off] [--csv] TABLE-FILE
  vels5-table --template [--csv] TEMPLATE-FILE
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

A file the window would refuse prints one object instead (also with --csv), with the
message exactly as the window shows it and the line where reading stopped (0 when the
file as a whole is refused):

  {"error":"Файл таблицы повреждён","line":4}

Exit status: 0 the file was read, 1 the window would refuse it, 2 wrong arguments or the
file cannot be read, 3 the output could not be written.
)";

struct Options {
    std::string delim = ";";
    bool isUnit = false;
    bool isTemplate = false;
    table_tool::Format format = table_tool::Format::Json;
    std::string path;
};

int Usage(const std::string& problem) {
    std::fprintf(stderr, "vels5-table: %s\nTry 'vels5-table --help'.\n", problem.c_str());
    return kExitInput;
}

// Parses the arguments; returns -1 to go on, otherwise the exit status.
int Parse(int argc, char** argv, Options& options) {
    bool havePath = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return kExitOk;
        } else if (arg == "--template") {
            options.isTemplate = true;
        } else if (arg == "--csv") {
            options.format = table_tool::Format::Csv;
        } else if (arg == "--delim" && hasValue) {
            options.delim = core::DelimiterFromSetting(argv[++i]);
        } else if (arg == "--units" && hasValue) {
            const std::string_view value = argv[++i];
            if (value != "on" && value != "off")
                return Usage("--units takes on or off, not '" + std::string(value) + "'");
            options.isUnit = value == "on";
        } else if ((arg.size() > 1 && arg[0] == '-') || havePath) {
            return Usage("unexpected argument '" + std::string(arg) + "'");
        } else {
            options.path = arg;
            havePath = true;
        }
    }
    return havePath ? -1 : Usage("no file given");
}

bool ReadInput(const std::string& path, std::string& bytes) {
    std::FILE* in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (!in)
        return false;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        bytes.append(buffer, n);
    const bool ok = !std::ferror(in);
    if (in != stdin)
        std::fclose(in);
    return ok;
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
    Options options;
    if (const int status = Parse(argc, argv, options); status >= 0)
        return status;
    std::string bytes;
    errno = 0;
    if (!ReadInput(options.path, bytes)) {
        std::fprintf(stderr, "vels5-table: cannot read %s: %s\n", options.path.c_str(),
                     std::strerror(errno != 0 ? errno : EIO));
        return kExitInput;
    }
    if (options.isTemplate) {
        const core::TemplateFileLoad load = core::ReadTemplateFile(bytes);
        if (!load)
            return Print(table_tool::FormatRefusal(*load.refusal), kExitRefused);
        return Print(table_tool::FormatPoints(load, options.format), kExitOk);
    }
    const core::TableFileLoad load = core::ReadTableFile(bytes, options.delim, options.isUnit);
    if (!load)
        return Print(table_tool::FormatRefusal(*load.refusal), kExitRefused);
    return Print(table_tool::FormatRecords(load, options.format), kExitOk);
}
