// vels5-docgen: build-time helper that renders the user manual (Markdown) to an A4 PDF and
// the program's icon (SVG) to the PNG sizes a desktop needs. Runs headless.
#include "tools/vels5-docgen/manual_pdf.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

namespace {

constexpr char kUsage[] =
    "usage: vels5-docgen --manual MANUAL.md OUT.pdf [TITLE]\n"
    "       vels5-docgen --icon ICON.svg OUTDIR SIZE...\n"
    "Renders the manual to a numbered A4 PDF (images are taken relative to the Markdown file;\n"
    "a title \"40%\" sizes an image to that share of the text width; each level-2 heading\n"
    "starts a page; the list after \"Содержание\" gets page numbers) or the icon to\n"
    "OUTDIR/<size>.png for each size.\n";

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
    QCommandLineParser parser;
    const QCommandLineOption manual(QStringLiteral("manual"));
    const QCommandLineOption icon(QStringLiteral("icon"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({manual, icon, help});
    const bool ok = parser.parse(QApplication::arguments());
    const QStringList files = parser.positionalArguments();
    if (ok && parser.isSet(manual) && !parser.isSet(icon) && files.size() >= 2)
        return docgen::RenderManual(files[0], files[1], files.value(2, QStringLiteral("ВЕЛС-5")));
    if (ok && parser.isSet(icon) && !parser.isSet(manual) && files.size() >= 3)
        return RenderIcon(files[0], files[1], files.mid(2));
    const bool asked = ok && parser.isSet(help);
    std::fputs(kUsage, asked ? stdout : stderr);
    return asked ? 0 : 2;
}
