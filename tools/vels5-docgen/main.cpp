// vels5-docgen: build-time helper that renders the user manual (Markdown) to an A4 PDF and
// the program's icon (SVG) to the PNG sizes a desktop needs, or to a Windows .ico. Runs
// headless.
#include "tools/vels5-docgen/manual_pdf.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

namespace {

constexpr char kUsage[] =
    "usage: vels5-docgen --manual MANUAL.md OUT.pdf [TITLE]\n"
    "       vels5-docgen --icon ICON.svg OUTDIR SIZE...\n"
    "       vels5-docgen --ico ICON.svg OUT.ico SIZE...\n"
    "Renders the manual to a numbered A4 PDF (images are taken relative to the Markdown file;\n"
    "a title \"40%\" sizes an image to that share of the text width; each level-2 heading\n"
    "starts a page; the list after \"Содержание\" gets page numbers) or the icon to\n"
    "OUTDIR/<size>.png for each size, or into one Windows icon file with an image of each\n"
    "size (at most 256).\n";

QImage Render(QSvgRenderer& svg, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    return image;
}

void PutLe(QByteArray& out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// An .ico file: the directory (type 1, one entry per size) followed by each image as PNG,
// which Windows reads in icons of every size.
int RenderIco(const QString& source, const QString& out, const QStringList& sizes) {
    QSvgRenderer svg(source);
    if (!svg.isValid()) {
        std::fprintf(stderr, "vels5-docgen: cannot read %s\n", qPrintable(source));
        return 2;
    }
    QList<QByteArray> images;
    QList<int> pixels;
    for (const QString& text : sizes) {
        const int size = text.toInt();
        if (size <= 0 || size > 256)
            return 2;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!Render(svg, size).save(&buffer, "PNG"))
            return 2;
        images.append(png);
        pixels.append(size);
    }
    if (images.isEmpty())
        return 2;
    QByteArray ico;
    PutLe(ico, 0, 2);
    PutLe(ico, 1, 2);
    PutLe(ico, static_cast<unsigned>(images.size()), 2);
    unsigned offset = 6 + 16 * static_cast<unsigned>(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const unsigned side = pixels[i] == 256 ? 0 : static_cast<unsigned>(pixels[i]);
        PutLe(ico, side, 1);
        PutLe(ico, side, 1);
        PutLe(ico, 0, 2);  // no palette, reserved
        PutLe(ico, 1, 2);  // planes
        PutLe(ico, 32, 2); // bits per pixel
        PutLe(ico, static_cast<unsigned>(images[i].size()), 4);
        PutLe(ico, offset, 4);
        offset += static_cast<unsigned>(images[i].size());
    }
    for (const QByteArray& png : images)
        ico.append(png);
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size() || !file.flush()) {
        std::fprintf(stderr, "vels5-docgen: cannot write %s\n", qPrintable(out));
        return 2;
    }
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
        if (!Render(svg, size).save(outDir + QLatin1Char('/') + text + QStringLiteral(".png"))) {
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
    const QCommandLineOption ico(QStringLiteral("ico"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({manual, icon, ico, help});
    const bool ok = parser.parse(QApplication::arguments());
    const QStringList files = parser.positionalArguments();
    if (ok && parser.isSet(manual) && !parser.isSet(icon) && files.size() >= 2)
        return docgen::RenderManual(files[0], files[1], files.value(2, QStringLiteral("ВЕЛС-5")));
    if (ok && parser.isSet(icon) && !parser.isSet(manual) && files.size() >= 3)
        return RenderIcon(files[0], files[1], files.mid(2));
    if (ok && parser.isSet(ico) && !parser.isSet(manual) && !parser.isSet(icon) &&
        files.size() >= 3)
        return RenderIco(files[0], files[1], files.mid(2));
    const bool asked = ok && parser.isSet(help);
    std::fputs(kUsage, asked ? stdout : stderr);
    return asked ? 0 : 2;
}
