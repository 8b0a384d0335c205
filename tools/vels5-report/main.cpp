// vels5-report: the test report of a table file and its marks as a PDF, drawn without a
// display through the graph window's own drawing.
#include "core/files/table_file.h"
#include "core/fire/fire_marks.h"
#include "core/fire/fire_report.h"
#include "tools/common/tool_input.h"
#include "tools/vels5-report/report_options.h"
#include "ui/paint/report_pdf.h"

#include <QFile>
#include <QGuiApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

using namespace report_tool;

constexpr std::string_view kTool = "vels5-report";

bool Read(const std::string& path, std::string& bytes) {
    return tool_input::ReadInput(kTool, path, bytes);
}

int Refused(const std::string& path, const std::string& message, int line) {
    tool_input::SayRefused(kTool, path, message, line);
    return kExitRefused;
}

// The marks of --marks, or those beside the table file; an exit status when they are
// refused or cannot be read, -1 to go on.
int LoadMarks(const ReportOptions& o, core::TestMarks& marks) {
    std::string path = o.marksPath;
    if (path.empty()) {
        if (o.tablePath == "-")
            return -1;
        const core::MarksBeside beside = core::LoadMarksBeside(o.tablePath);
        if (beside.status == core::MarksBeside::Status::Absent)
            return -1;
        path = beside.path;
    }
    std::string bytes;
    if (!Read(path, bytes))
        return kExitInput;
    const core::MarksLoad load = core::ParseMarksFile(bytes);
    if (!load)
        return Refused(path, load.error, load.line);
    marks = *load.marks;
    return -1;
}

void ApplyOverrides(const ReportOptions& o, core::TestMarks& marks) {
    if (o.fire)
        marks.fireId = o.fire->id;
    if (o.startT)
        marks.fireStartT = o.startT;
    if (o.distanceM)
        marks.distanceM = o.distanceM;
    if (o.periodSec)
        marks.periodSec = o.periodSec;
}

} // namespace

int main(int argc, char** argv) {
    const ParseResult parsed = ParseReportOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fputs(parsed.out.c_str(), stdout);
        std::fputs(parsed.error.c_str(), stderr);
        return parsed.exitStatus;
    }
    const ReportOptions& o = *parsed.options;
    std::string tableBytes;
    if (!Read(o.tablePath, tableBytes))
        return kExitInput;
    const core::TableFileLoad table = core::ReadTableFile(tableBytes, ";", false);
    if (!table)
        return Refused(o.tablePath, table.refusal->message, table.refusal->line);
    core::ReportSource source;
    if (const int status = LoadMarks(o, source.marks); status >= 0)
        return status;
    ApplyOverrides(o, source.marks);
    source.records = table.records;
    source.rows = table.rows;
    source.start = core::LogStartOf(table.records, core::DateTimeFromFileName(o.tablePath));

#ifndef _WIN32
    qputenv("QT_QPA_PLATFORM", "offscreen"); // no display needed
#endif
    // (Windows' own platform needs no display, and there it has the system's fonts, which
    // the offscreen platform would not find.)
    QGuiApplication app(argc, argv);
    const ui::ReportWrite written =
        ui::WriteTestReport(QFile::decodeName(o.outputPath.c_str()), source);
    if (written)
        return kExitOk;
    std::fprintf(stderr, "vels5-report: %s: %s\n", written.error.toLocal8Bit().constData(),
                 written.reason.toLocal8Bit().constData());
    return kExitOutput;
}
