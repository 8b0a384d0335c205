// The user manual: Markdown rendered to a numbered A4 PDF.
#include "tools/vels5-docgen/manual_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QUrl>
#include <cstdio>

namespace docgen {
namespace {

constexpr qreal kFooterHeight = 28; // below the text of each page, layout units
const QString kContentsTitle = QStringLiteral("Содержание");

bool ReadText(const QString& path, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    text = QString::fromUtf8(file.readAll());
    return true;
}

// The width an image is drawn at: the share of the text width its title asks for ("40%"),
// else its own width held to the text width.
qreal ImageWidth(const QTextImageFormat& image, const QImage& picture, qreal textWidth) {
    static const QRegularExpression share(QStringLiteral("^(\\d{1,3})%$"));
    const QRegularExpressionMatch match =
        share.match(image.property(QTextFormat::ImageTitle).toString());
    if (match.hasMatch())
        return textWidth * qBound(1, match.captured(1).toInt(), 100) / 100.0;
    return qMin<qreal>(picture.width(), textWidth);
}

// Sizes every image, keeping its proportions. The fragments are collected first: changing a
// format while walking the blocks would re-split them.
void FitImages(QTextDocument& doc, qreal textWidth) {
    struct Change {
        int position, length;
        QTextImageFormat format;
    };
    QList<Change> changes;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            if (!image.isValid())
                continue;
            const QImage picture =
                doc.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
            if (picture.isNull())
                continue;
            const qreal width = ImageWidth(image, picture, textWidth);
            image.setWidth(width);
            image.setHeight(width * picture.height() / picture.width());
            changes.append({fragment.position(), fragment.length(), image});
        }
    }
    for (const Change& change : changes) {
        QTextCursor cursor(&doc);
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(change.format);
    }
}

// Each chapter (a level-2 heading) begins on a new page.
void BreakBeforeChapters(QTextDocument& doc) {
    QTextBlockFormat breakBefore;
    breakBefore.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 2)
            QTextCursor(block).mergeBlockFormat(breakBefore);
    }
}

int PageOf(const QTextDocument& doc, const QTextBlock& block) {
    const qreal top = doc.documentLayout()->blockBoundingRect(block).top();
    return static_cast<int>(top / doc.pageSize().height()) + 1;
}

// "1. Назначение и состав" -> "Назначение и состав".
QString WithoutNumber(const QString& heading) {
    static const QRegularExpression number(QStringLiteral("^[0-9.]+\\s+"));
    return QString(heading).remove(number).trimmed();
}

// The items of the contents list get the pages of the headings they name, right-aligned.
// Appending a short number to a short line moves nothing after it.
void NumberContents(QTextDocument& doc) {
    QHash<QString, int> pages;
    QTextBlock contents;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0)
            continue;
        if (block.text().trimmed() == kContentsTitle)
            contents = block;
        else if (!pages.contains(WithoutNumber(block.text())))
            pages.insert(WithoutNumber(block.text()), PageOf(doc, block));
    }
    if (!contents.isValid())
        return;
    const qreal right = doc.pageSize().width() - 2 * doc.documentMargin();
    for (QTextBlock item = contents.next(); item.isValid() && item.textList(); item = item.next()) {
        const auto page = pages.constFind(item.text().trimmed());
        if (page == pages.constEnd())
            continue;
        QTextCursor cursor(item);
        QTextBlockFormat format = item.blockFormat();
        // Tab positions count from where the item's text begins, after the list's indent.
        const qreal indent =
            format.leftMargin() +
            (format.indent() + item.textList()->format().indent()) * doc.indentWidth();
        format.setTabPositions({QTextOption::Tab(right - indent - 8, QTextOption::RightTab)});
        cursor.setBlockFormat(format);
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertText(QLatin1Char('\t') + QString::number(*page));
    }
}

// Draws the laid-out pages one by one, each with its number below the text (the title page
// without). The painter maps the layout's units onto the PDF page.
bool PrintPages(const QTextDocument& doc, QPdfWriter& pdf, const QSizeF& page) {
    QPainter painter;
    if (!painter.begin(&pdf))
        return false;
    const qreal scale = pdf.width() / page.width();
    painter.scale(scale, scale);
    QFont footer = doc.defaultFont();
    footer.setPixelSize(12);
    const qreal body = doc.pageSize().height();
    for (int i = 0; i < doc.pageCount(); ++i) {
        if (i > 0)
            pdf.newPage();
        const QRectF view(0, i * body, page.width(), body);
        painter.save();
        painter.setClipRect(QRectF(0, 0, page.width(), body));
        painter.translate(0, -view.top());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        doc.documentLayout()->draw(&painter, context);
        painter.restore();
        if (i == 0)
            continue;
        painter.setFont(footer);
        painter.drawText(QRectF(0, body, page.width(), kFooterHeight),
                         Qt::AlignHCenter | Qt::AlignBottom, QString::number(i + 1));
    }
    return painter.end();
}

} // namespace

int RenderManual(const QString& source, const QString& target, const QString& title) {
    QString markdown;
    if (!ReadText(source, markdown)) {
        std::fprintf(stderr, "vels5-docgen: cannot read %s\n", qPrintable(source));
        return 2;
    }
    QPdfWriter pdf(target);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(20, 15, 15, 15), QPageLayout::Millimeter);
    pdf.setResolution(300);
    pdf.setTitle(title);
    pdf.setCreator(QStringLiteral("vels5-docgen"));
    QTextDocument doc;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(10.5);
    doc.setDefaultFont(font);
    doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(source).absolutePath() + QLatin1Char('/')));
    doc.setMarkdown(markdown);
    doc.setMetaInformation(QTextDocument::DocumentTitle, title);
    // Laid out in points on the page's text area, less the strip of the page number.
    const QSizeF page = pdf.pageLayout().paintRect(QPageLayout::Point).size();
    doc.setPageSize(QSizeF(page.width(), page.height() - kFooterHeight));
    FitImages(doc, page.width() - 2 * doc.documentMargin());
    BreakBeforeChapters(doc);
    NumberContents(doc);
    if (!PrintPages(doc, pdf, page)) {
        std::fprintf(stderr, "vels5-docgen: cannot write %s\n", qPrintable(target));
        return 2;
    }
    return 0;
}

} // namespace docgen
