// The graph window's "Отчёт…": the test report of the log on screen as a PDF.
#include "core/date_time.h"
#include "core/measurement_session.h"
#include "core/test_report.h"
#include "ui/graph/form_graph.h"
#include "ui/prompts/prompts.h"
#include "ui/report/report_pdf.h"

#include <QFileInfo>

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

} // namespace

void TFormGraph::miReportClick() {
    const core::RecordLog& log = m_session.Log();
    const std::span<const core::MeasurementRecord> records(&log[0],
                                                           static_cast<std::size_t>(log.Count()));
    core::ReportSource source;
    source.start = core::LogStartOf(records);
    FileDialogOptions options;
    options.title = QStringLiteral("Отчёт");
    options.defaultSuffix = QStringLiteral("pdf");
    options.filter = QStringLiteral("PDF (*.pdf)|*.pdf|all (*.*)|*.*");
    options.fileName = DefaultReportName(source.start);
    const std::optional<QString> name = m_prompts.SaveFileName(this, options);
    if (!name)
        return;
    if (QFileInfo::exists(*name) &&
        m_prompts.Question(this, QString(), QStringLiteral("Файл существует, заменить?"),
                           PromptButtons::OkCancel) != PromptAnswer::Ok)
        return;
    // Taken after the dialogs, so records written while they were open are in the report.
    source.records =
        std::span<const core::MeasurementRecord>(&log[0], static_cast<std::size_t>(log.Count()));
    source.start = core::LogStartOf(source.records);
    source.rows = core::RowsOfRecords(source.records);
    source.marks = m_session.Test().Marks();
    const ReportWrite written = WriteTestReport(*name, source);
    if (!written)
        m_prompts.Error(this, AppTitle(), written.error + QStringLiteral(".\n") + written.reason);
}

} // namespace ui
