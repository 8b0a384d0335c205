// The graph window's picture: pixels of the real off-screen picture, the BMP file written and
// read back, the save dialog and its question, and the colour items.
#include "test_main.h"
#include "tests/common/fake_prompts.h"
#include "tests/core/fake_session_observer.h"
#include "ui/common/picture_box.h"
#include "ui/graph/form_graph.h"
#include "ui/paint/graph_painter.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtEndian>

namespace {

struct Rig {
    test::SessionRig session;
    ui::TFormGraph g;

    explicit Rig(test::FakePrompts& prompts) : g(prompts, session.session) { g.show(); }

    // n records one second apart, every one at `m` dB/m.
    void Fill(int n, float m) {
        core::RecordLog& log = session.session.Log();
        for (int i = 0; i < n; ++i) {
            core::MeasurementRecord r;
            r.T = static_cast<std::uint16_t>(i);
            r.m = m;
            log[i] = r;
        }
        log.SetCount(n);
        g.RedrawGraph();
    }
    int Bottom() const { return g.iImg.height() - g.View.BottomMargin; }
    int GridColumn(int i) const {
        return g.View.LeftMargin + (g.iImg.width() - g.View.LeftMargin) * i / g.View.wQx;
    }
    int GridRow(int u) const { return Bottom() * u / g.View.wQy; }
    QColor Pixel(int x, int y) const { return QColor(g.iImg.pixel(x, y)); }
};

const QColor kBlack(0, 0, 0), kGreen(0, 128, 0), kYellow(255, 255, 0), kRed(255, 0, 0);

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TstGraphPicture : public QObject {
    Q_OBJECT

private:
    test::FakePrompts m_prompts;

private slots:
    void init() { m_prompts.Clear(); }

    void pictureFillsTheAreaBelowTheToolbar() {
        Rig rig(m_prompts);
        QCOMPARE(rig.g.iImg.size(), rig.g.iDisplay->size());
        QCOMPARE(rig.g.iDisplay->Picture(), rig.g.iImg); // copied in one step
        rig.g.resize(rig.g.width() + 40, rig.g.height() + 30);
        QCOMPARE(rig.g.iImg.size(), rig.g.iDisplay->size());
        QCOMPARE(rig.g.iDisplay->Picture().size(), rig.g.iImg.size());
        const QFontInfo font(ui::GraphFont());
        QCOMPARE(font.family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(font.pixelSize(), 13);
        QVERIFY(font.bold());
    }

    void gridColumnsAndRows() {
        Rig rig(m_prompts);
        // A row between two horizontal grid lines: grid colour exactly at the grid columns.
        const int y = (rig.GridRow(4) + rig.GridRow(5)) / 2;
        QList<int> columns;
        for (int x = rig.g.View.LeftMargin; x < rig.g.iImg.width(); ++x) {
            const QColor c = rig.Pixel(x, y);
            if (c == kGreen)
                columns << x;
            else
                QCOMPARE(c, kBlack);
        }
        QCOMPARE(columns, (QList<int>{rig.GridColumn(1), rig.GridColumn(2), rig.GridColumn(3),
                                      rig.GridColumn(4), rig.GridColumn(5), rig.GridColumn(6),
                                      rig.GridColumn(7)}));
        // Horizontal lines from the left edge of the plot; none at the top edge.
        QCOMPARE(rig.Pixel(rig.g.View.LeftMargin, rig.GridRow(3)), kGreen);
        QCOMPARE(rig.Pixel(rig.g.iImg.width() - 1, rig.GridRow(10)), kGreen);
        QCOMPARE(rig.Pixel(rig.g.iImg.width() - 1, 0), kBlack);
        QCOMPARE(rig.Pixel(rig.g.View.LeftMargin - 1, 0), QColor(128, 128, 128)); // margin
    }

    void curveInItsColourOnTopOfTheBand() {
        Rig rig(m_prompts);
        rig.Fill(201, 0.125f); // a flat curve at half the 0..0.25 scale
        const int y = rig.Bottom() * (0.25 - 0.125) / 0.25;
        const int x = (rig.GridColumn(2) + rig.GridColumn(3)) / 2;
        for (int dy = -1; dy <= 1; ++dy)
            QCOMPARE(rig.Pixel(x, y + dy), kYellow); // 3 pixels wide
        QCOMPARE(rig.Pixel(x, y - 3), kBlack);
        QCOMPARE(rig.Pixel(x, y + 3), kBlack);
        // ТП1's upper limit starts flat at 0,05 dB/m: dashed red, gaps in the background.
        rig.g.OverlayAction(1)->trigger();
        const int band = rig.Bottom() * (0.25 - static_cast<double>(0.05f)) / 0.25;
        int red = 0, gaps = 0;
        for (int bx = rig.g.View.LeftMargin; bx < rig.GridColumn(1) - 1; ++bx) {
            const QColor c = rig.Pixel(bx, band);
            red += c == kRed;
            gaps += c == kBlack;
        }
        QVERIFY2(red > 3 * gaps && gaps > 10,
                 qPrintable(QStringLiteral("%1 red, %2 gaps").arg(red).arg(gaps)));
        // Where the band crosses the grid, its gaps are painted in the background colour.
        const int flatEnd = rig.g.View.LeftMargin + 130 * (rig.g.iImg.width() - 75) / 200;
        for (int bx = rig.g.View.LeftMargin; bx < flatEnd; ++bx)
            QVERIFY(rig.Pixel(bx, band) != kGreen);
        QCOMPARE(rig.Pixel(x, y), kYellow); // the curve lies on top of the overlay
        // Switched to volts the band disappears.
        rig.g.sbVClick();
        for (int bx = rig.g.View.LeftMargin; bx < flatEnd; ++bx)
            QVERIFY(rig.Pixel(bx, band) != kRed);
    }

    void labelsSitOnTheMarginColour() {
        Rig rig(m_prompts);
        rig.g.View.cFont = 0x0000FF; // red text
        rig.g.RedrawGraph();
        const core::PaintItem* label = nullptr;
        for (const core::PaintItem& item : rig.g.Paint().Items())
            if (item.role == core::PaintRole::ValueLabel)
                label = &item;
        QVERIFY(label);
        QCOMPARE(rig.g.Paint().TextOf(*label), std::string_view("0,225дБ/м"));
        QCOMPARE(label->x2, rig.g.View.LeftMargin - 5);
        int ink = 0;
        for (int y = label->y1; y < label->y2; ++y)
            for (int x = label->x1; x < label->x2; ++x) {
                const QColor c = rig.Pixel(x, y);
                QVERIFY(c == kRed || c == QColor(128, 128, 128));
                ink += c == kRed;
            }
        QVERIFY(ink > 20);
    }

    void bmpWrittenAndReadBack() {
        Rig rig(m_prompts);
        rig.Fill(150, 0.2f);
        const QByteArray bmp = ui::EncodeBmp(rig.g.iImg);
        QVERIFY(bmp.startsWith("BM"));
        QCOMPARE(qFromLittleEndian<quint16>(bmp.constData() + 28), quint16(24)); // bits/pixel
        QCOMPARE(qFromLittleEndian<qint32>(bmp.constData() + 18), rig.g.iImg.width());
        QCOMPARE(qAbs(qFromLittleEndian<qint32>(bmp.constData() + 22)), rig.g.iImg.height());
        const QImage back = QImage::fromData(bmp, "BMP");
        QCOMPARE(back.size(), rig.g.iImg.size());
        QCOMPARE(back.convertToFormat(QImage::Format_RGB32), rig.g.iImg);
    }

    void saveAsksBeforeReplacingAndWritesBmpWhateverTheName() {
        QTemporaryDir dir;
        Rig rig(m_prompts);
        rig.Fill(50, 0.1f);
        const QString path = dir.filePath(QStringLiteral("plot.bmp"));
        m_prompts.fileNames.push_back(test::ToUtf8(path));
        QTest::mouseClick(rig.g.bbSave, Qt::LeftButton);
        QCOMPARE(std::ssize(m_prompts.asked), 1);
        const test::Prompt& dialog = m_prompts.asked[0];
        QCOMPARE(dialog.kind, test::Prompt::SaveFile);
        QCOMPARE(test::Q(dialog.file.title), QStringLiteral("Сохранить график"));
        QCOMPARE(test::Q(dialog.file.defaultSuffix), QStringLiteral("bmp"));
        QCOMPARE(test::Q(dialog.file.filter),
                 QStringLiteral("BMP (*.bmp)|*.bmp|PNG (*.png)|*.png|all (*.*)|*.*"));
        QCOMPARE(dialog.file.filterIndex, 1); // BMP unless the user picks another
        QVERIFY(test::Q(dialog.file.fileName).isEmpty());
        QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), rig.g.iImg);
        // The file exists: Cancel leaves it untouched.
        QFile::resize(path, 10);
        m_prompts.fileNames.push_back(test::ToUtf8(path));
        m_prompts.answers.push_back(core::PromptAnswer::Cancel);
        rig.g.mSave->trigger();
        QCOMPARE(test::Q(m_prompts.asked.back().text),
                 QStringLiteral("Файл существует, заменить?"));
        QVERIFY(test::Q(m_prompts.asked.back().caption).isEmpty());
        QCOMPARE(m_prompts.asked.back().buttons, core::PromptButtons::OkCancel);
        QCOMPARE(QFileInfo(path).size(), 10);
        // OK replaces it.
        m_prompts.fileNames.push_back(test::ToUtf8(path));
        m_prompts.answers.push_back(core::PromptAnswer::Ok);
        rig.g.mSave->trigger();
        QVERIFY(ReadAll(path).startsWith("BM"));
        QCOMPARE(QImage(path).size(), rig.g.iImg.size());
        // Another extension still receives BMP data; a cancelled dialog writes nothing.
        const QString png = dir.filePath(QStringLiteral("plot.png"));
        m_prompts.fileNames.push_back(test::ToUtf8(png));
        rig.g.mSave->trigger();
        QVERIFY(ReadAll(png).startsWith("BM"));
        m_prompts.fileNames.push_back(std::nullopt);
        rig.g.mSave->trigger();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        QCOMPARE(m_prompts.unanswered, 0);
    }

    void pngByItsFilterAndTheClipboardHoldThePictureSaved() {
        QTemporaryDir dir;
        Rig rig(m_prompts);
        rig.Fill(120, 0.1f);
        const QString png = dir.filePath(QStringLiteral("plot.png"));
        m_prompts.fileNames.push_back(test::ToUtf8(png));
        m_prompts.filters.push_back(2);
        rig.g.mSaveClick();
        QVERIFY(ReadAll(png).startsWith("\x89PNG"));
        QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32), rig.g.iImg);
        // Under "all (*.*)" a ".png" name still gets BMP data: the filter decides.
        const QString bmp = dir.filePath(QStringLiteral("other.png"));
        m_prompts.fileNames.push_back(test::ToUtf8(bmp));
        m_prompts.filters.push_back(3);
        rig.g.mSaveClick();
        QVERIFY(ReadAll(bmp).startsWith("BM"));
        // Ctrl+C with the mouse over the plot: the clipboard gets the picture saved, without
        // the readout shown over it.
        QMouseEvent move(QEvent::MouseMove, QPointF(400, 100),
                         QPointF(rig.g.iDisplay->mapToGlobal(QPoint(400, 100))), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(rig.g.iDisplay, &move);
        QVERIFY(rig.g.iDisplay->Picture() != rig.g.iImg);
        QCOMPARE(rig.g.miCopy->shortcut(), QKeySequence(QKeySequence::Copy));
        QGuiApplication::clipboard()->clear();
        rig.g.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.g));
        QTest::keyClick(&rig.g, Qt::Key_C, Qt::ControlModifier);
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.convertToFormat(QImage::Format_RGB32),
                 QImage(png).convertToFormat(QImage::Format_RGB32));
    }

    void unwritableFileShowsTheErrorAndKeepsThePlot() {
        QTemporaryDir dir;
        Rig rig(m_prompts);
        rig.Fill(20, 0.1f);
        const QImage before = rig.g.iImg.copy();
        const QString path = dir.filePath(QStringLiteral("no-such-folder/plot.bmp"));
        m_prompts.fileNames.push_back(test::ToUtf8(path));
        rig.g.mSaveClick();
        QCOMPARE(m_prompts.asked.back().kind, test::Prompt::Error);
        QCOMPARE(test::Q(m_prompts.asked.back().text), QStringLiteral("Cannot create file ") +
                                                           path +
                                                           QStringLiteral("\nNo such file or "
                                                                          "directory"));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(rig.g.iImg, before);
        QCOMPARE(rig.g.iDisplay->Picture(), before);
    }

    void emptyLogSavesAxesAndGridOnly() {
        QTemporaryDir dir;
        Rig rig(m_prompts);
        const QString path = dir.filePath(QStringLiteral("empty"));
        m_prompts.fileNames.push_back(test::ToUtf8(path));
        rig.g.mSaveClick();
        const QImage saved = QImage::fromData(ReadAll(path), "BMP");
        QCOMPARE(saved.size(), rig.g.iImg.size());
        int grid = 0;
        for (int y = 0; y < saved.height(); ++y)
            for (int x = 0; x < saved.width(); ++x) {
                const QColor c(saved.pixel(x, y));
                QVERIFY(c != kYellow);
                grid += c == kGreen;
            }
        QVERIFY(grid > 1000);
    }

    void colourDialogRemembersTheLastColourChosenInIt() {
        Rig rig(m_prompts);
        QCOMPARE(rig.g.ColorDialog1Colour(), kBlack);
        m_prompts.colours.push_back(core::Rgb{10, 20, 30});
        rig.g.miGrid->trigger();
        QCOMPARE(test::Q(m_prompts.asked.back().text), QColor(Qt::black).name()); // black at first
        QCOMPARE(rig.g.View.cGrid, 0x001E140Au);
        m_prompts.colours.push_back(std::nullopt); // cancelled: nothing changes
        rig.g.miBack->trigger();
        QCOMPARE(test::Q(m_prompts.asked.back().text), QColor(10, 20, 30).name());
        QCOMPARE(rig.g.View.cBack, 0x000000u);
        m_prompts.colours.push_back(core::Rgb{0, 0, 255});
        rig.g.miScale->trigger();
        QCOMPARE(rig.g.View.cMargin, 0x00FF0000u);
        QCOMPARE(rig.Pixel(2, 2), QColor(0, 0, 255)); // redrawn at once
        m_prompts.colours.push_back(core::Rgb{255, 0, 255});
        rig.g.miGrap->trigger();
        QCOMPARE(test::Q(m_prompts.asked.back().text), QColor(0, 0, 255).name());
        QCOMPARE(rig.g.View.cGrap, 0x00FF00FFu);
        m_prompts.colours.push_back(core::Rgb{1, 2, 3});
        rig.g.miFont->trigger();
        QCOMPARE(rig.g.View.cFont, 0x00030201u);
        m_prompts.colours.push_back(core::Rgb{200, 0, 0});
        rig.g.miBack->trigger();
        QCOMPARE(rig.Pixel(rig.g.iImg.width() - 1, 1), QColor(200, 0, 0));
    }
};

VELS5_GUI_TEST_MAIN(TstGraphPicture)
#include "tst_graph_picture.moc"
