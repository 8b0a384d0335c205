// The graph window's "Отчёт…": the test report of the log on screen as a PDF.
#include "core/files/save_flow.h"
#include "core/fire/fire_report.h"
#include "core/session/measurement_session.h"
#include "ui/common/utf8.h"
#include "ui/graph/form_graph.h"
#include "ui/paint/report_pdf.h"

#include <QGuiApplication>

namespace ui {
namespace {

std::span<const core::MeasurementRecord> Records(const core::MeasurementSession& session) {
    const core::RecordLog& log = session.Log();
    return {&log[0], static_cast<std::size_t>(log.Count())};
}

// The report's source: the log's records, rows and start, and the test with the distance and
// period the log is recorded with.
core::ReportSource SourceOf(const core::MeasurementSession& session) {
    core::ReportSource source;
    source.records = Records(session);
    source.start = core::LogStartOf(source.records);
    source.rows = core::RowsOfRecords(source.records);
    source.marks = session.Test().Marks();
    return source;
}

} // namespace

void TFormGraph::miReportClick() {
    core::SaveRequest request;
    request.dialog.title = "Отчёт";
    request.dialog.defaultSuffix = "pdf";
    request.dialog.filter = "PDF (*.pdf)|*.pdf|all (*.*)|*.*";
    request.dialog.fileName = core::ReportFileName(core::LogStartOf(Records(m_session)));
    core::SaveFile(m_prompts, request, [this] {
        // Drawn after the dialogs, so records written while they were open are in the report.
        // A full log takes about a second: the wait cursor says the program is busy.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const ReportPdf pdf = DrawTestReport(SourceOf(m_session));
        QGuiApplication::restoreOverrideCursor();
        return core::SaveContent{pdf.bytes.toStdString(), Utf8(pdf.failure)};
    });
}

} // namespace ui
