// The test report as a PDF file: A4 portrait pages with the header facts, the graph picture,
// the verdict, the detectors and, as an appendix, the records.
#pragma once

#include "core/fire/fire_report.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <span>

namespace ui {

/// Appendix layout: rows of records per column, two columns on a page.
inline constexpr int kReportRowsPerColumn = 60;
inline constexpr int kReportRowsPerPage = 2 * kReportRowsPerColumn;

/// The outcome of writing a report.
struct ReportWrite {
    bool ok = false;
    int pages = 0;  ///< pages written
    QString error;  ///< "Cannot create file <path>" on failure
    QString reason; ///< why, as the system or Qt says it
    explicit operator bool() const { return ok; }
    /// `error` as the first line, unchanged, and the reason on the line below it.
    QString Message() const {
        return reason.isEmpty() ? error : error + QLatin1Char('\n') + reason;
    }
};

/// The report's graph picture: the graph window's drawing (RenderGraph) of the whole log in
/// the report's view (core::ReportGraphView), with the test's band anchored at the fire
/// start, the fire start and alarm lines and the stretches outside the band.
QImage ReportGraphPicture(std::span<const core::MeasurementRecord> records,
                          const core::TestMarks& marks);

/// Pages of a report whose test part fits on the first page: 1 and the appendix pages.
int ReportPageCount(const core::TestReport& report);

/// A report drawn as the bytes of a PDF file.
struct ReportPdf {
    QByteArray bytes;
    int pages = 0;
    QString failure; ///< why the PDF could not be drawn; empty when it was
};

/// `report` with `graph` as a PDF: 300 dots per inch, margins of 15 mm, Liberation Sans
/// (Liberation Mono for the records), "Лист k из n" at the foot of each page. The test part
/// moves on to a further page only when it does not fit on the first.
ReportPdf DrawReportPdf(const core::TestReport& report, const QImage& graph);

/// The report of `source` (core::BuildTestReport and ReportGraphPicture) as a PDF.
ReportPdf DrawTestReport(const core::ReportSource& source);

/// DrawReportPdf written as the file `path` through the atomic writer: on failure nothing is
/// left at `path` (an earlier file stays as it was).
ReportWrite WriteReportPdf(const QString& path, const core::TestReport& report,
                           const QImage& graph);

/// The report of `source` written to `path` (DrawTestReport and the atomic writer).
ReportWrite WriteTestReport(const QString& path, const core::ReportSource& source);

} // namespace ui
