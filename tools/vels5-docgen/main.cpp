// vels5-docgen: build-time helper that renders the user manual (Markdown) to an A4 PDF and
// the program's icon (SVG) to the PNG sizes a desktop needs. Runs headless.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <cstdio>

namespace {

constexpr char kUsage[] =
    "usage: vels5-docgen --manual MANUAL.md OUT.pdf [TITLE]\n"
    "       vels5-docgen --icon ICON.svg OUTDIR SIZE...\n"
    "Renders the manual to an A4 PDF (images are taken relative to the Markdown file and\n"
    "scaled to the text width) or the icon to OUTDIR/<size>.png for each size.\n";

bool ReadText(const QString& path, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    text = QString::fromUtf8(file.readAll());
    return true;
}

// Images wider than the text are scaled down to it, keeping their proportions. The fragments
// are collected first: changing a format while walking the blocks would re-split them.
void FitImages(QTextDocument& doc, qreal width) {
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
            if (picture.isNull() || picture.width() <= width)
                continue;
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
    // Laid out in points on the page's text area; print() paginates and numbers the pages.
    const QSizeF page = pdf.pageLayout().paintRect(QPageLayout::Point).size();
    doc.setPageSize(page);
    FitImages(doc, page.width() - 2 * doc.documentMargin());
    doc.print(&pdf);
    return 0;
}

int RenderIcon(const QString& source, const QString& outDir, const QStringList& sizes) {
    QSvgRenderer svg(source);
    if (!svg.isValid()) {
        std::fprintf(stderr, "vels5-docgen: cannot read %s\n", qPrintable(source));
        return 2;
    }
    for (const QString& text : sizes) {
        const int size = text.toInt();
        if (size <= 0 || size > 1024)
            return 2;
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        if (!image.save(outDir + QLatin1Char('/') + text + QStringLiteral(".png"))) {
            std::fprintf(stderr, "vels5-docgen: cannot write %s/%s.png\n", qPrintable(outDir),
                         qPrintable(text));
            return 2;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() >= 3 && args[0] == QLatin1String("--manual"))
        return RenderManual(args[1], args[2], args.value(3, QStringLiteral("ВЕЛС-5")));
    if (args.size() >= 4 && args[0] == QLatin1String("--icon"))
        return RenderIcon(args[1], args[2], args.mid(3));
    std::fputs(kUsage, args.value(0) == QLatin1String("--help") ? stdout : stderr);
    return args.value(0) == QLatin1String("--help") ? 0 : 2;
}
