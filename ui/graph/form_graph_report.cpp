// The graph window's "Отчёт…": the test report of the log on screen as a PDF.
#include "core/common/date_time.h"
#include "core/common/prompts.h"
#include "core/fire/fire_report.h"
#include "core/session/measurement_session.h"
#include "ui/common/utf8.h"
#include "ui/graph/form_graph.h"
#include "ui/paint/report_pdf.h"

#include <QFileInfo>
#include <QGuiApplication>

namespace ui {
namespace {

// "Протокол 2026-01-31_14-05-09.pdf" after the log's start, "Протокол.pdf" without a date.
QString DefaultReportName(const std::optional<double>& start) {
    QString name = QStringLiteral("Протокол");
    if (start && *start >= 1) {
        const core::DateTimeFields f = core::DecodeDateTime(*start);
        name += QStringLiteral(" %1-%2-%3_%4-%5-%6")
                    .arg(f.year, 4, 10, QLatin1Char('0'))
                    .arg(f.month, 2, 10, QLatin1Char('0'))
                    .arg(f.day, 2, 10, QLatin1Char('0'))
                    .arg(f.hour, 2, 10, QLatin1Char('0'))
                    .arg(f.minute, 2, 10, QLatin1Char('0'))
                    .arg(f.second, 2, 10, QLatin1Char('0'));
    }
    return name + QStringLiteral(".pdf");
}

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
    core::FileDialogOptions options;
    options.title = "Отчёт";
    options.defaultSuffix = "pdf";
    options.filter = "PDF (*.pdf)|*.pdf|all (*.*)|*.*";
    options.fileName = Utf8(DefaultReportName(core::LogStartOf(Records(m_session))));
    const std::optional<std::string> chosen = m_prompts.SaveFileName(options);
    if (!chosen)
        return;
    const QString name = QText(*chosen);
    if (QFileInfo::exists(name) &&
        m_prompts.Question({}, "Файл существует, заменить?", core::PromptButtons::OkCancel) !=
            core::PromptAnswer::Ok)
        return;
    // Taken after the dialogs, so records written while they were open are in the report. A
    // full log takes about a second: the wait cursor says the program is busy.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const ReportWrite written = WriteTestReport(name, SourceOf(m_session));
    QGuiApplication::restoreOverrideCursor();
    if (!written)
        m_prompts.Error(core::kAppTitle, Utf8(written.Message()));
}

} // namespace ui
