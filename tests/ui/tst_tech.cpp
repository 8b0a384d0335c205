// The technical panel's window: its layout and timer, the dial face, and the composed
// pictures (pointers, third-level mark, texts) for known block values.
#include "core/link/status_area.h"
#include "core/tech/dial_geometry.h"
#include "picture_probe.h"
#include "test_main.h"
#include "ui/common/form_style.h"
#include "ui/common/picture_box.h"
#include "ui/tech/dial_painter.h"
#include "ui/tech/form_tech.h"

#include <QTimer>
#include <cmath>
#include <memory>

using test::Bgr;
using test::ColourNear;
using test::CountColour;
using test::CountPixels;

namespace {

namespace colour = core::tech_colour;
constexpr int kLeftX = 134, kRightX = 396, kCy = 190;

// A point at `radius` along the angle of `value` around (cx, 190), rounded.
QPoint AtValue(int cx, double value, double radius) {
    const double a = core::PointerAngle(value);
    return {static_cast<int>(std::lround(cx + std::cos(a) * radius)),
            static_cast<int>(std::lround(kCy + std::sin(a) * radius))};
}

QPoint Middle(const core::Segment& s) {
    return {(s.x1 + s.x2) / 2, (s.y1 + s.y2) / 2};
}

// A point on the segment a fifth of the way from its second end (the RMS pointer's inner
// end, above the text lines whatever the angle).
QPoint NearInnerEnd(const core::Segment& s) {
    return {static_cast<int>(std::lround(s.x2 + (s.x1 - s.x2) * 0.2)),
            static_cast<int>(std::lround(s.y2 + (s.y1 - s.y2) * 0.2))};
}

// The middle of a dial's text line `row` (0..3), clear of the scale's numerals.
QRect LineBox(int cx, int row) {
    return {cx - 50, 230 + 20 * row, 101, 18};
}

int RedPixels(const QImage& picture, const QRect& box) {
    return CountPixels(picture, box, test::Reddish);
}

} // namespace

class TstTech : public QObject {
    Q_OBJECT

private:
    core::StatusArea m_status;
    std::unique_ptr<ui::TFormTech> m_tech;

    // A panel with its timer stopped, so that the test steps the frames itself.
    ui::TFormTech& Panel() { return *m_tech; }
    void Frames(int n) {
        for (int i = 0; i < n; ++i)
            m_tech->Timer1Timer();
    }
    const QImage& Shown() { return m_tech->FaceV->Picture(); }

    static core::BlockStatus Block(std::uint16_t rms, std::uint16_t peak, float third,
                                   std::uint8_t faults = 0) {
        core::BlockStatus b;
        b.rmsCode = rms;
        b.peakCode = peak;
        b.thirdLevel = third;
        b.tempCode = 25 * 256;
        b.kt = 1.0f;
        b.faults = faults;
        b.attenuatorStep = 4;
        return b;
    }

private slots:
    void init() {
        m_status.Clear();
        m_tech = std::make_unique<ui::TFormTech>(m_status);
        m_tech->Timer1->stop();
    }
    void cleanup() { m_tech.reset(); }

    void windowAndTimer() {
        core::StatusArea status;
        ui::TFormTech tech(status);
        QCOMPARE(tech.objectName(), QStringLiteral("FormTech"));
        QCOMPARE(tech.windowTitle(), QStringLiteral("Техническая панель"));
        QCOMPARE(tech.size(), QSize(530, 354));
        QCOMPARE(tech.minimumSize(), tech.maximumSize());
        const Qt::WindowFlags flags = tech.windowFlags();
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(tech.FaceV->objectName(), QStringLiteral("FaceV"));
        QCOMPARE(tech.FaceV->geometry(), QRect(0, 0, 530, 354));
        // The timer runs from creation, shown or not, and keeps running when hidden.
        QCOMPARE(tech.Timer1->objectName(), QStringLiteral("Timer1"));
        QCOMPARE(tech.Timer1->interval(), 200);
        QVERIFY(tech.Timer1->isActive());
        tech.show();
        tech.hide();
        QVERIFY(tech.Timer1->isActive());
        // Its ticks move the pointers even while the window is hidden.
        core::BlockStatus em;
        em.rmsCode = 8191;
        status.SetEmitter(em);
        tech.UpdateTech();
        QTRY_VERIFY(tech.Panel().Left().SmoothedRms() > 0);
    }

    void faceFrameLinesAndCaptions() {
        const QImage& face = Panel().iScale;
        QCOMPARE(face.size(), QSize(530, 354));
        const QColor grey(192, 192, 192);
        for (const QPoint p : {QPoint(100, 2), QPoint(400, 36), QPoint(5, 320), QPoint(526, 350),
                               QPoint(0, 100), QPoint(2, 200), QPoint(262, 100), QPoint(264, 340),
                               QPoint(524, 60), QPoint(526, 300)})
            QVERIFY2(face.pixelColor(p) == grey,
                     qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        // The mode strip spans both dials; outside the lines all is black.
        for (const QPoint p : {QPoint(263, 20), QPoint(100, 3), QPoint(100, 35), QPoint(3, 100),
                               QPoint(261, 100), QPoint(528, 100), QPoint(100, 352)})
            QVERIFY2(face.pixelColor(p) == Qt::black,
                     qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        // The red captions near the top of each dial's panel.
        for (int cx : {kLeftX, kRightX})
            QVERIFY(RedPixels(face, QRect(cx - 70, 40, 140, 22)) > 100);
    }

    void faceScaleRings() {
        const QImage& face = Panel().iScale;
        for (int cx : {kLeftX, kRightX}) {
            for (int i = 0; i <= 50; ++i) {
                const double v = i * 0.2;
                const bool major = i % 5 == 0;
                const QString where = QStringLiteral("dial %1 value %2").arg(cx).arg(v);
                // Every tick crosses the ring; whole values reach beyond it.
                QVERIFY2(RedPixels(face, QRect(AtValue(cx, v, 96) - QPoint(1, 1), QSize(3, 3))),
                         qPrintable(where));
                const int outside =
                    RedPixels(face, QRect(AtValue(cx, v, 109) - QPoint(1, 1), QSize(3, 3)));
                QVERIFY2(major ? outside > 0 : outside == 0, qPrintable(where));
                // Half-way to the next tick the ring is black between the ticks, but its
                // inner edge runs on.
                if (i < 50) {
                    QVERIFY2(!RedPixels(face, QRect(AtValue(cx, v + 0.1, 98), QSize(1, 1))),
                             qPrintable(where));
                    QVERIFY2(RedPixels(face,
                                       QRect(AtValue(cx, v + 0.1, 88) - QPoint(1, 1), QSize(3, 3))),
                             qPrintable(where));
                }
            }
            // The gap of the scale at the bottom (around 90 deg) is empty.
            for (double r : {88.0, 96.0, 108.0})
                QCOMPARE(RedPixels(face, QRect(AtValue(cx, -1, r) - QPoint(3, 3), QSize(7, 7))), 0);
            // A numeral outside the ring at each whole value.
            const QFontMetricsF m(ui::PixelFont(12));
            for (int v = 0; v <= 10; ++v) {
                const QRectF ink = m.tightBoundingRect(QString::number(v));
                const core::PointF c = core::NumeralCentre(v, ink.width(), ink.height());
                const QPoint centre(cx + static_cast<int>(c.x), kCy + static_cast<int>(c.y));
                QVERIFY2(RedPixels(face, QRect(centre - QPoint(4, 4), QSize(9, 9))) > 5,
                         qPrintable(QString::number(v)));
            }
        }
        // Antialiased: many pixels of the ring lie between black and full red.
        const int partial = CountPixels(face, QRect(3, 60, 259, 255), [](const QColor& c) {
            return c.green() == 0 && c.blue() == 0 && c.red() > 20 && c.red() < 220;
        });
        QVERIFY2(partial > 300, qPrintable(QString::number(partial)));
        // One scale drawing for both dials: below the captions the panels are identical.
        QCOMPARE(face.copy(3, 64, 259, 255), face.copy(265, 64, 259, 255));
    }

    void framesDrawOnACopyOfTheFace() {
        const QImage faceBefore = Panel().iScale.copy();
        m_status.SetEmitter(Block(4096, 6000, 3.0f));
        Panel().UpdateTech();
        Panel().show();
        QVERIFY(!Shown().isNull());
        Frames(3);
        QCOMPARE(Panel().iScale, faceBefore);
        QCOMPARE(Panel().iScale, ui::DrawDialFace());
        QVERIFY(Shown() != Panel().iScale);
        QCOMPARE(Shown().size(), QSize(530, 354));
    }

    void pointersAtTheirSmoothedValues() {
        // Left: RMS 2,5 V, peak 6 V, third level 1,01. Right: RMS 7,5 V, peak 9 V, level 1.
        m_status.SetEmitter(Block(2048, 4915, 1.01f));
        m_status.SetPhotodetector(Block(6143, 7372, 1.0f));
        Panel().UpdateTech();
        Panel().show();
        Frames(40);
        const core::TechPanel& p = Panel().Panel();
        QVERIFY(std::abs(p.Left().SmoothedRms() - 2.5f) < 0.01f);
        QVERIFY(std::abs(p.Right().SmoothedPeak() - 9.0f) < 0.01f);
        const QImage& picture = Shown();
        const QColor yellow = Bgr(colour::kYellow), green = Bgr(colour::kGreen),
                     white = Bgr(colour::kWhite);
        for (const core::TechDial* d : {&p.Left(), &p.Right()}) {
            const int cx = d->Layout().cx;
            const QPoint rms = Middle(core::PointerSegment(d->SmoothedRms(), cx, kCy, 100, 15));
            QCOMPARE(picture.pixelColor(rms), yellow);
            const QPoint peak = Middle(core::PointerSegment(d->SmoothedPeak(), cx, kCy, 105, 65));
            QVERIFY(ColourNear(picture, peak.x(), peak.y(), green));
            // Nothing yellow where the pointer would be with the scale turned the wrong way.
            const QPoint mirrored = AtValue(cx, 10 - d->SmoothedRms(), 60);
            QCOMPARE(CountColour(picture, QRect(mirrored - QPoint(3, 3), QSize(7, 7)), yellow), 0);
        }
        // The white mark: present for 1,01 on the left, absent for exactly 1 on the right.
        const QPoint mark = Middle(core::PointerSegment(1.01, kLeftX, kCy, 110, 85));
        QVERIFY(ColourNear(picture, mark.x(), mark.y(), white));
        const QPoint none = Middle(core::PointerSegment(1.0, kRightX, kCy, 110, 85));
        QCOMPARE(CountColour(picture, QRect(none - QPoint(6, 6), QSize(13, 13)), white), 0);
        // The same pixel of the left dial without a mark is the face's red tick.
        m_status.SetEmitter(Block(2048, 4915, 1.0f));
        Panel().UpdateTech();
        Frames(1);
        QCOMPARE(CountColour(Shown(), QRect(mark - QPoint(6, 6), QSize(13, 13)), white), 0);
    }

    void pointersSwingUpFromZero() {
        m_status.SetPhotodetector(Block(8191, 8191, 0));
        Panel().UpdateTech();
        Panel().show();
        // The first frame shown: both pointers of the right dial still at 0.
        const QPoint zero = NearInnerEnd(core::PointerSegment(0, kRightX, kCy, 100, 15));
        QCOMPARE(Shown().pixelColor(zero), Bgr(colour::kYellow));
        Frames(5);
        QVERIFY(std::abs(Panel().Panel().Right().SmoothedRms() - 6.7232f) < 1e-4f);
        Frames(5);
        QVERIFY(std::abs(Panel().Panel().Right().SmoothedRms() - 8.926258f) < 1e-4f);
        const QPoint now = Middle(
            core::PointerSegment(Panel().Panel().Right().SmoothedRms(), kRightX, kCy, 100, 15));
        QCOMPARE(Shown().pixelColor(now), Bgr(colour::kYellow));
        QVERIFY(Shown().pixelColor(zero) != Bgr(colour::kYellow));
    }

    void textsInTheirColours() {
        m_status.SetMode(core::mode_bit::kStabilisation);
        m_status.SetEmitter(Block(1000, 2000, 0, 0x02));
        m_status.SetPhotodetector(Block(1000, 2000, 0, 0));
        Panel().UpdateTech();
        Panel().show();
        const QImage& picture = Shown();
        const QColor yellow = Bgr(colour::kYellow), green = Bgr(colour::kGreen),
                     white = Bgr(colour::kWhite);
        for (int cx : {kLeftX, kRightX}) {
            QVERIFY(CountColour(picture, LineBox(cx, 0), yellow) > 30);
            QVERIFY(CountColour(picture, LineBox(cx, 1), green) > 30);
            QVERIFY(RedPixels(picture, LineBox(cx, 2)) > 30);
        }
        // "АВАРИЯ" in red for the faulty emitter only; "Норма" in green on the right.
        QVERIFY(RedPixels(picture, LineBox(kLeftX, 3)) > 30);
        QCOMPARE(CountColour(picture, LineBox(kLeftX, 3), green), 0);
        QVERIFY(CountColour(picture, LineBox(kRightX, 3), green) > 30);
        QCOMPARE(RedPixels(picture, LineBox(kRightX, 3)), 0);
        // Kt and Атт in white in the bottom strip, the mode line at the top.
        for (int x : {10, 150, 274, 412})
            QVERIFY(CountColour(picture, QRect(x, 326, 40, 18), white) > 20);
        QVERIFY(CountColour(picture, QRect(180, 10, 170, 20), white) > 40);
        QCOMPARE(Panel().Frame().mode.text, std::string("Стабилизация"));
    }

    void hiddenPanelSkipsThePainting() {
        m_status.SetEmitter(Block(8191, 8191, 0));
        Panel().UpdateTech();
        Frames(3);
        QVERIFY(Shown().isNull());
        QVERIFY(Panel().Panel().Left().SmoothedRms() > 4.8f);
        Panel().show();
        const QImage first = Shown();
        QVERIFY(!first.isNull());
        Panel().hide();
        Frames(2);
        QCOMPARE(Shown(), first);
        // Shown again: the pointers are where the hidden frames took them.
        Panel().show();
        const QPoint rms = Middle(
            core::PointerSegment(Panel().Panel().Left().SmoothedRms(), kLeftX, kCy, 100, 15));
        QCOMPARE(Shown().pixelColor(rms), Bgr(colour::kYellow));
    }
};

VELS5_GUI_TEST_MAIN(TstTech)
#include "tst_tech.moc"
