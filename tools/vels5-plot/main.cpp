// vels5-plot: the graph window's picture of a table file, drawn without a display, as PNG or
// BMP, or its paint description as JSON lines.
#include "core/files/atomic_file.h"
#include "core/files/table_file.h"
#include "core/files/template_file.h"
#include "core/fire/fire_marks.h"
#include "core/graph/graph_fire_marks.h"
#include "tools/common/tool_input.h"
#include "tools/vels5-plot/paint_json.h"
#include "tools/vels5-plot/plot_options.h"
#include "ui/paint/graph_painter.h"

#include <QGuiApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

using namespace plot_tool;

constexpr std::string_view kTool = "vels5-plot";

bool Read(const std::string& path, std::string& bytes) {
    return tool_input::ReadInput(kTool, path, bytes);
}

int Refused(const std::string& path, const core::FileRefusal& refusal) {
    tool_input::SayRefused(kTool, path, refusal.message, refusal.line);
    return kExitRefused;
}

QByteArray Encode(const QImage& image, const std::string& path) {
    const std::string ext = path.substr(path.size() - 4);
    if (ext == ".bmp" || ext == ".BMP")
        return ui::EncodeBmp(image);
    return ui::EncodePng(image); // the graph window's "Сохранить" under "PNG" writes the same
}

int WriteOutput(const PlotOptions& o, const QImage& image, const core::PaintList& list) {
    if (o.json) {
        const std::string text = PaintListJson(list);
        if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
            std::fflush(stdout) == 0)
            return kExitOk;
        std::fprintf(stderr, "vels5-plot: cannot write the output: %s\n", std::strerror(errno));
        return kExitOutput;
    }
    const QByteArray bytes = Encode(image, o.outputPath);
    const core::FileWriteResult written = core::WriteFileAtomically(
        o.outputPath, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (written)
        return kExitOk;
    std::fprintf(stderr, "vels5-plot: %s: %s\n", written.error.c_str(), written.reason.c_str());
    return kExitOutput;
}

} // namespace

int main(int argc, char** argv) {
    const ParseResult parsed = ParsePlotOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fputs(parsed.out.c_str(), stdout);
        std::fputs(parsed.error.c_str(), stderr);
        return parsed.exitStatus;
    }
    PlotOptions o = *parsed.options;
    std::string tableBytes, templateBytes, marksBytes;
    if (!Read(o.tablePath, tableBytes))
        return kExitInput;
    if (!o.templatePath.empty() && !Read(o.templatePath, templateBytes))
        return kExitInput;
    if (!o.marksPath.empty() && !Read(o.marksPath, marksBytes))
        return kExitInput;
    const core::TableFileLoad table = core::ReadTableFile(tableBytes, ";", false);
    if (!table)
        return Refused(o.tablePath, *table.refusal);
    core::TemplateFileLoad templ;
    if (!o.templatePath.empty() && !(templ = core::ReadTemplateFile(templateBytes)))
        return Refused(o.templatePath, *templ.refusal);
    // The test as the window runs it on a loaded log with these marks.
    core::FireTest test;
    if (!o.marksPath.empty()) {
        const core::MarksLoad marks = core::ParseMarksFile(marksBytes);
        if (!marks)
            return Refused(o.marksPath, {core::FileRefusal::Kind::Notice, marks.error, marks.line});
        test.Load(*marks.marks);
        // One fire per test, as in the window: a test fire chosen as the overlay is the
        // test's fire; without a choice the overlay is the test's fire.
        if (core::FindTestFire(o.view.bVeiwTP))
            test.SetFire(o.view.bVeiwTP);
        else if (o.view.bVeiwTP == 0 && test.Fire())
            o.view.bVeiwTP = static_cast<std::int8_t>(test.Fire()->id);
        test.Update(table.records);
    }
    const core::GraphTest graphTest = core::GraphTestOf(test);

#ifndef _WIN32
    qputenv("QT_QPA_PLATFORM", "offscreen"); // no display needed
#endif
    // (Windows' own platform needs no display, and there it has the system's fonts, which
    // the offscreen platform would not find.)
    QGuiApplication app(argc, argv);
    QImage image(o.width, o.height, QImage::Format_RGB32);
    core::GraphInput input;
    input.records = table.records;
    input.timeStepSec = o.timeStepSec;
    input.pan = o.pan;
    input.shiftTP = o.shift;
    input.templatePoints = templ.points;
    input.test = o.marksPath.empty() ? nullptr : &graphTest;
    core::GraphPlot plot;
    core::PaintList list;
    ui::RenderGraph(image, plot, o.view, input, list);
    return WriteOutput(o, image, list);
}
