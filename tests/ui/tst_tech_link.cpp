// The technical panel fed through the main window from a real serial line: a pseudo-terminal
// registered in the port map sends status frames with known block codes; the panel's values,
// texts and pointers follow while it is visible and stop following while it is hidden.
#include "app_rig.h"
#include "core/link/status_area.h"
#include "core/tech/dial_geometry.h"
#include "picture_probe.h"
#include "pty_device.h"
#include "test_main.h"
#include "tests/common/status_frame.h"
#include "ui/common/picture_box.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <cmath>

namespace {

namespace colour = core::tech_colour;

core::StatusArea Frame(std::uint8_t mode, std::uint16_t emRms, std::uint16_t pdRms,
                       std::uint8_t pdFaults = 0) {
    core::StatusArea a;
    a.SetMode(mode);
    a.SetUi(2.0f);
    core::BlockStatus em;
    em.rmsCode = emRms;
    em.peakCode = 6553; // 8,000 V
    em.tempCode = -256;
    em.thirdLevel = 2.5f;
    em.kt = 1.0213f;
    em.attenuatorStep = 3;
    a.SetEmitter(em);
    core::BlockStatus pd;
    pd.rmsCode = pdRms;
    pd.peakCode = 4096;
    pd.tempCode = 6464; // 25,25 degC
    pd.thirdLevel = 1.0f;
    pd.kt = 0.9874f;
    pd.attenuatorStep = 6;
    pd.faults = pdFaults;
    a.SetPhotodetector(pd);
    return a;
}

} // namespace

class TstTechLink : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::MeterRig> m_rig;

    ui::TForm1& Form() { return *m_rig->form1; }
    ui::TFormTech& Tech() { return *m_rig->tech; }

    void Feed(const core::StatusArea& area) { m_rig->Feed(test::StatusFrame(area)); }
    void Frames(int n) {
        for (int i = 0; i < n; ++i)
            Tech().Timer1Timer();
    }

private slots:
    void init() {
        m_rig = std::make_unique<test::MeterRig>();
        QVERIFY(m_rig->registered);
        m_rig->form1->show();
        // The test steps the panel's frames itself.
        Tech().Timer1->stop();
        m_rig->OpenMeterPort();
    }
    void cleanup() { m_rig.reset(); }

    void visiblePanelFollowsTheFrames() {
        Form().miTechPan->trigger();
        QVERIFY(Tech().isVisible());
        // Before any frame the status area is zero: "Нет сязи" and 0 V.
        QCOMPARE(Tech().Frame().mode.text, std::string("Нет сязи"));
        Feed(Frame(core::mode_bit::kWork, 4096, 8191, 0x08));
        QCOMPARE(Tech().Left().urmsVolts, core::TechVolts(4096));
        QCOMPARE(Tech().Right().urmsVolts, 10.0f);
        QCOMPARE(Tech().Left().tempCelsius, -1.0f);
        QCOMPARE(Tech().Right().attenuatorStep, 6);
        Frames(10);
        const core::TechFrame& f = Tech().Frame();
        QCOMPARE(f.mode.text, std::string("Измерение"));
        const core::DialFrame& left = f.dials[0];
        const core::DialFrame& right = f.dials[1];
        QCOMPARE(left.lines[0].text, std::string("Urms=5,001В"));
        QCOMPARE(left.lines[1].text, std::string("Up=8,000В"));
        QCOMPARE(left.lines[2].text, std::string("-1,000°C"));
        QCOMPARE(left.lines[3].text, std::string("Норма"));
        QCOMPARE(left.kt.text, std::string("Kt=1,0213"));
        QCOMPARE(left.att.text, std::string("Атт=3"));
        QCOMPARE(right.lines[0].text, std::string("Urms=10,000В"));
        QCOMPARE(right.lines[2].text, std::string("25,250°C"));
        // The photodetector's fault turns its own line only; the main window shows the fault.
        QCOMPARE(right.lines[3].text, std::string("АВАРИЯ"));
        QVERIFY(Form().pError->isVisible());
        QCOMPARE(right.kt.text, std::string("Kt=0,9874"));
        QCOMPARE(right.att.text, std::string("Атт=6"));
        QVERIFY(left.hasThirdLevel);
        QVERIFY(!right.hasThirdLevel);
        // Ten frames after the step from 0: 89 % of the way, and drawn there.
        const float rms = Tech().Panel().Right().SmoothedRms();
        QVERIFY2(std::abs(rms - 10.0f * (1 - std::pow(0.8f, 10.0f))) < 1e-4f,
                 qPrintable(QString::number(rms)));
        const core::Segment s = core::PointerSegment(rms, 396, 190, 100, 15);
        const QImage& picture = Tech().FaceV->Picture();
        QCOMPARE(picture.pixelColor((s.x1 + s.x2) / 2, (s.y1 + s.y2) / 2),
                 test::Bgr(colour::kYellow));
        const core::Segment mark = core::PointerSegment(2.5, 134, 190, 110, 85);
        QVERIFY(test::ColourNear(picture, (mark.x1 + mark.x2) / 2, (mark.y1 + mark.y2) / 2,
                                 test::Bgr(colour::kWhite)));
    }

    void lostLinkLeavesNoStaleValues() {
        Form().miTechPan->trigger();
        Feed(Frame(core::mode_bit::kWork, 4096, 8191));
        Frames(10);
        QCOMPARE(Tech().Frame().mode.text, std::string("Измерение"));
        // The watchdog expires: the status area still holds the last work frame.
        Form().Timer2Timer();
        QCOMPARE(Form().lStart->text(), QStringLiteral("Нет связи"));
        const core::TechFrame& f = Tech().Frame();
        QCOMPARE(f.mode.text, std::string("Нет сязи"));
        for (const core::DialFrame& dial : f.dials) {
            for (const core::TechText& line : dial.lines)
                QCOMPARE(line.text, std::string());
            QCOMPARE(dial.kt.text, std::string());
            QCOMPARE(dial.att.text, std::string());
            QVERIFY(!dial.hasThirdLevel);
        }
        // The pointers fall back to 0.
        Frames(60);
        QVERIFY(Tech().Panel().Right().SmoothedRms() < 1e-3f);
        // Hidden when the port is closed, shown later: still nothing stale.
        Feed(Frame(core::mode_bit::kWork, 4096, 8191));
        Frames(1);
        QCOMPARE(Tech().Frame().dials[1].lines[0].text, std::string("Urms=10,000В"));
        Form().miTechPan->trigger();
        Form().TxOff->trigger();
        Form().miTechPan->trigger();
        QCOMPARE(Tech().Frame().mode.text, std::string("Нет сязи"));
        QCOMPARE(Tech().Frame().dials[1].lines[0].text, std::string());
    }

    void hiddenPanelIsNotFed() {
        Form().miTechPan->trigger();
        Feed(Frame(core::mode_bit::kWork, 4096, 4096));
        const core::DialValues left = Tech().Left();
        Form().miTechPan->trigger();
        QVERIFY(!Tech().isVisible());
        QVERIFY(!Form().miTechPan->isChecked());
        // Hidden: the frames no longer reach it; its pointers settle on the last values.
        Feed(Frame(core::mode_bit::kAdjustment, 8191, 100));
        QCOMPARE(Tech().Left(), left);
        Frames(60);
        QVERIFY(std::abs(Tech().Panel().Left().SmoothedRms() - left.urmsVolts) < 1e-3f);
        // Shown again: the mode line reads the status area at once, the values wait for the
        // next frame.
        Form().miTechPan->trigger();
        QVERIFY(Form().miTechPan->isChecked());
        QCOMPARE(Tech().Frame().mode.text, std::string("Юстировка"));
        QCOMPARE(Tech().Frame().dials[0].lines[0].text, std::string("Urms=5,001В"));
        Feed(Frame(core::mode_bit::kAdjustment | core::mode_bit::kStabilisation, 8191, 100));
        Frames(1);
        QCOMPARE(Tech().Frame().dials[0].lines[0].text, std::string("Urms=10,000В"));
        QCOMPARE(Tech().Frame().mode.text, std::string("Юстировка"));
    }
};

VELS5_GUI_TEST_MAIN(TstTechLink)
#include "tst_tech_link.moc"
