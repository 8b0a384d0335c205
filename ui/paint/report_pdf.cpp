// Laying out and writing the test report's PDF pages.
#include "ui/paint/report_pdf.h"

#include "core/common/format.h"
#include "core/files/atomic_file.h"
#include "core/fire/fire_test.h"
#include "core/graph/graph_fire_marks.h"
#include "ui/paint/graph_painter.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <vector>

namespace ui {
namespace {

constexpr int kDpi = 300;
constexpr int kPictureWidth = 1064; // the graph window's picture size
constexpr int kPictureHeight = 394;

constexpr double Mm(double mm) {
    return mm * kDpi / 25.4;
}

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont Font(const char* family, double points, bool bold = false) {
    QFont font(QString::fromLatin1(family));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The flow of the report over its pages. Without a painter it only counts them.
class Pages {
public:
    Pages(QPdfWriter& pdf, QPainter* painter, int total)
        : m_pdf(pdf), m_painter(painter), m_total(total), m_width(pdf.width()),
          m_bottom(pdf.height() - Mm(8)) {}

    double Width() const { return m_width; }
    double Y() const { return m_y; }
    void Skip(double height) { m_y += height; }
    QPainter* Painter() const { return m_painter; }

    // Room for `height` more: on a new page when this one has not got it.
    void Need(double height) {
        if (m_y > 0 && m_y + height > m_bottom)
            Break();
    }
    void Break() {
        Footer();
        ++m_page;
        m_y = 0;
        if (m_painter)
            m_pdf.newPage();
    }
    int Finish() {
        Footer();
        return m_page;
    }

    // `text` wrapped in the width `w` from `x`, on the current line; returns its height.
    double Height(const QFont& font, const QString& text, double w) const {
        return QFontMetricsF(font, &m_pdf)
            .boundingRect(QRectF(0, 0, w, 1e6), Qt::TextWordWrap, text)
            .height();
    }
    void Cell(const QFont& font, const QString& text, double x, double w,
              int align = Qt::AlignLeft) {
        if (!m_painter)
            return;
        m_painter->setFont(font);
        m_painter->drawText(QRectF(x, m_y, w, 1e5), align | Qt::AlignTop | Qt::TextWordWrap, text);
    }
    // A paragraph over the whole width, indented by `indent`.
    void Paragraph(const QFont& font, const QString& text, double indent = 0,
                   int align = Qt::AlignLeft) {
        const double h = Height(font, text, m_width - indent);
        Need(h);
        Cell(font, text, indent, m_width - indent, align);
        m_y += h;
    }

private:
    void Footer() {
        if (!m_painter || m_total <= 0)
            return;
        const QFont font = Font("Liberation Sans", 8);
        m_painter->setFont(font);
        const QString text = Utf8(core::report_text::kTitle) + QStringLiteral(" · ") +
                             Utf8(core::report_text::kPage) +
                             QStringLiteral(" %1 из %2").arg(m_page).arg(m_total);
        m_painter->drawText(QRectF(0, m_bottom, m_width, Mm(8)), Qt::AlignCenter, text);
    }

    QPdfWriter& m_pdf;
    QPainter* m_painter;
    int m_total;
    double m_width;
    double m_bottom;
    double m_y = 0;
    int m_page = 1;
};

void DrawFacts(Pages& pages, const core::TestReport& report) {
    const QFont label = Font("Liberation Sans", 10, true);
    const QFont value = Font("Liberation Sans", 10);
    const double column = Mm(58);
    for (const core::ReportFact& fact : report.facts) {
        const double h = pages.Height(value, Utf8(fact.value), pages.Width() - column);
        pages.Need(h);
        pages.Cell(label, Utf8(fact.label) + QLatin1Char(':'), 0, column);
        pages.Cell(value, Utf8(fact.value), column, pages.Width() - column);
        pages.Skip(h + Mm(0.5));
    }
}

void DrawGraph(Pages& pages, const QImage& graph) {
    if (graph.isNull())
        return;
    const double h = pages.Width() * graph.height() / graph.width();
    pages.Need(h);
    if (QPainter* p = pages.Painter())
        p->drawImage(QRectF(0, pages.Y(), pages.Width(), h), graph);
    pages.Skip(h + Mm(4));
}

void DrawVerdict(Pages& pages, const core::TestReport& report) {
    const QFont heading = Font("Liberation Sans", 11, true);
    const QFont text = Font("Liberation Sans", 10);
    pages.Paragraph(heading, Utf8(core::report_text::kVerdict));
    pages.Skip(Mm(1));
    pages.Paragraph(Font("Liberation Sans", 10, true), Utf8(report.verdict));
    // Several intervals are listed one a line as well; a single one the line already says.
    for (std::size_t i = 0; report.intervals.size() > 1 && i < report.intervals.size(); ++i)
        pages.Paragraph(text, QStringLiteral("– ") + Utf8(report.intervals[i]), Mm(5));
    if (!report.checked.empty())
        pages.Paragraph(text, Utf8(report.checked));
    pages.Paragraph(text, Utf8(report.end));
    pages.Skip(Mm(4));
}

void DrawDetectors(Pages& pages, const core::TestReport& report) {
    const QFont heading = Font("Liberation Sans", 11, true);
    const QFont bold = Font("Liberation Sans", 10, true);
    const QFont text = Font("Liberation Sans", 10);
    pages.Paragraph(heading, Utf8(core::report_text::kDetectors));
    pages.Skip(Mm(1));
    if (report.detectors.empty()) {
        pages.Paragraph(text, Utf8(core::report_text::kNoDetectors));
        return;
    }
    const double w = Mm(45);
    const auto row = [&](const QFont& font, const QString& name, const QString& alarm,
                         const QString& threshold) {
        const double h = pages.Height(font, name, w) + Mm(0.8);
        pages.Need(h);
        pages.Cell(font, name, 0, w);
        pages.Cell(font, alarm, w, w, Qt::AlignRight);
        pages.Cell(font, threshold, 2 * w, w, Qt::AlignRight);
        pages.Skip(h);
    };
    row(bold, Utf8(core::test_text::kNameColumn), Utf8(core::test_text::kAlarmColumn),
        Utf8(core::test_text::kThresholdColumn));
    for (const core::DetectorRow& d : report.detectors)
        row(text, Utf8(d.name), Utf8(d.alarm), Utf8(d.threshold));
    pages.Skip(Mm(1));
    pages.Paragraph(text, Utf8(report.ratio));
}

void DrawTestPart(Pages& pages, const core::TestReport& report, const QImage& graph) {
    pages.Paragraph(Font("Liberation Sans", 16, true), Utf8(report.title), 0, Qt::AlignHCenter);
    pages.Skip(Mm(5));
    DrawFacts(pages, report);
    pages.Skip(Mm(4));
    DrawGraph(pages, graph);
    DrawVerdict(pages, report);
    DrawDetectors(pages, report);
}

void DrawAppendix(Pages& pages, const core::TestReport& report) {
    const std::vector<std::string>& rows = report.appendix;
    const QFont heading = Font("Liberation Sans", 11, true);
    const QFont mono = Font("Liberation Mono", 8);
    const QFont monoBold = Font("Liberation Mono", 8, true);
    const QString title = Utf8(core::report_text::kAppendix) +
                          QStringLiteral(" (%1)").arg(
                              Utf8(core::FormatDecimal(static_cast<double>(rows.size()), 18, 0)));
    const double column = pages.Width() / 2;
    for (std::size_t first = 0; first < rows.size(); first += kReportRowsPerPage) {
        pages.Break();
        pages.Paragraph(heading, title);
        pages.Skip(Mm(2));
        pages.Cell(monoBold, Utf8(core::report_text::kAppendixHeader), 0, column);
        pages.Cell(monoBold, Utf8(core::report_text::kAppendixHeader), column, column);
        pages.Skip(Mm(5));
        const double top = pages.Y();
        const std::size_t last = std::min(rows.size(), first + kReportRowsPerPage);
        for (std::size_t i = first; i < last && pages.Painter(); ++i) {
            const std::size_t at = i - first;
            const double x = at < kReportRowsPerColumn ? 0 : column;
            const double y = top + Mm(4) * static_cast<double>(at % kReportRowsPerColumn);
            pages.Painter()->setFont(mono);
            pages.Painter()->drawText(QRectF(x, y, column, Mm(4)), Qt::AlignLeft | Qt::AlignTop,
                                      Utf8(rows[i]));
        }
        pages.Skip(Mm(4) * kReportRowsPerColumn);
    }
}

int AppendixPages(const core::TestReport& report) {
    const int rows = static_cast<int>(report.appendix.size());
    return (rows + kReportRowsPerPage - 1) / kReportRowsPerPage;
}

ReportWrite Failure(const QString& path, const QString& reason) {
    ReportWrite result;
    result.error = QStringLiteral("Cannot create file ") + path;
    result.reason = reason;
    return result;
}

ReportWrite WritePdf(const QString& path, const ReportPdf& pdf) {
    if (!pdf.failure.isEmpty())
        return Failure(path, pdf.failure);
    const core::FileWriteResult written = core::WriteFileAtomically(
        QFile::encodeName(path).toStdString(),
        std::string_view(pdf.bytes.constData(), static_cast<std::size_t>(pdf.bytes.size())));
    if (!written)
        return Failure(path, QString::fromStdString(written.reason));
    ReportWrite result;
    result.ok = true;
    result.pages = pdf.pages;
    return result;
}

} // namespace

QImage ReportGraphPicture(std::span<const core::MeasurementRecord> records,
                          const core::TestMarks& marks) {
    core::FireTest test;
    test.Load(marks);
    test.Update(records);
    const core::GraphTest graphTest = core::GraphTestOf(test);
    core::GraphView view = core::ReportGraphView(records, marks);
    core::GraphInput input;
    input.records = records;
    input.timeStepSec = marks.periodSec.value_or(1);
    input.test = &graphTest;
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    core::GraphPlot plot;
    core::PaintList list;
    RenderGraph(image, plot, view, input, list);
    return image;
}

int ReportPageCount(const core::TestReport& report) {
    return 1 + AppendixPages(report);
}

ReportPdf DrawReportPdf(const core::TestReport& report, const QImage& graph) {
    ReportPdf result;
    QBuffer buffer(&result.bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(kDpi);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        pdf.setTitle(Utf8(report.title));
        pdf.setCreator(QStringLiteral("ВЕЛС-5"));
        Pages counting(pdf, nullptr, 0);
        DrawTestPart(counting, report, graph);
        const int total = counting.Finish() + AppendixPages(report);
        QPainter painter;
        if (!painter.begin(&pdf)) {
            result.bytes.clear();
            result.failure = QStringLiteral("the PDF could not be started");
            return result;
        }
        Pages flow(pdf, &painter, total);
        DrawTestPart(flow, report, graph);
        DrawAppendix(flow, report);
        result.pages = flow.Finish();
        painter.end();
    }
    return result;
}

ReportPdf DrawTestReport(const core::ReportSource& source) {
    return DrawReportPdf(core::BuildTestReport(source),
                         ReportGraphPicture(source.records, source.marks));
}

ReportWrite WriteReportPdf(const QString& path, const core::TestReport& report,
                           const QImage& graph) {
    return WritePdf(path, DrawReportPdf(report, graph));
}

ReportWrite WriteTestReport(const QString& path, const core::ReportSource& source) {
    return WritePdf(path, DrawTestReport(source));
}

} // namespace ui
