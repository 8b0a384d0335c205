// End to end with the meter simulator as a separate process: the link lost when it stops,
// a simulator killed mid-frame, and two simulators side by side.
#include "e2e_meter.h"
#include "test_main.h"

#include <QFile>
#include <QLabel>
#include <QTimer>

using test::ConfigHome;
using test::E2eRig;
using test::FastMeter;
using test::MeterProcess;

class TstE2eLink : public QObject {
    Q_OBJECT

private slots:
    void noLinkAfterTheSimulatorStops() {
        ConfigHome home;
        MeterProcess meter(home, FastMeter());
        QCOMPARE(meter.WaitReady(), 5);
        E2eRig rig(home);
        ui::TForm1& f = *rig.form1;
        QVERIFY(rig.Open(5));
        QTRY_VERIFY_WITH_TIMEOUT(!f.pWork->isHidden(), 30000);
        meter.Terminate();
        QCOMPARE(meter.WaitExit(), 0);
        QVERIFY(meter.Output().contains(QStringLiteral("vels5-meter: stopped, COM5 removed")));
        QVERIFY(!QFile::exists(home.dir.path() + QStringLiteral("/vels5/ports/COM5")));
        // The watchdog, not the simulator's end, tells: it fires after 5 s without a frame.
        QCOMPARE(f.Timer2->interval(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(f.lStart->text() == QStringLiteral("Нет связи"), 30000);
        QVERIFY(!f.pStart->isHidden());
        QVERIFY(!f.Timer2->isActive());
    }

    void simulatorKilledMidFrameLeavesTheMonitorResponsive() {
        ConfigHome home;
        // Each frame in two halves 2,9 s apart: time enough to see the monitor holding the
        // first half however busy the machine is.
        auto meter = std::make_unique<MeterProcess>(
            home, FastMeter({QStringLiteral("--interval"), QStringLiteral("3000"),
                             QStringLiteral("--split"), QStringLiteral("2900"),
                             QStringLiteral("--verbose")}));
        QCOMPARE(meter->WaitReady(), 5);
        E2eRig rig(home);
        ui::TForm1& f = *rig.form1;
        QVERIFY(rig.Open(5));
        QTRY_VERIFY_WITH_TIMEOUT(rig.Frames() >= 1, 30000);
        // The next frame: once the monitor holds its first half, the simulator dies.
        QVERIFY(!meter->WaitLine(QStringLiteral(" tx mode=")).isEmpty());
        const auto midFrame = [&] {
            return f.Session().Receiver().State() != core::ReceiverState::Idle;
        };
        QTRY_VERIFY_WITH_TIMEOUT(midFrame(), 2500);
        const std::uint64_t framesBefore = rig.Frames();
        meter->Kill();
        QCOMPARE(meter->WaitExit(), -1);
        QVERIFY(midFrame());

        // Responsive: the event loop runs and the window takes commands.
        bool fired = false;
        QTimer::singleShot(20, [&] { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, 20000);
        f.Update1Click();
        QCOMPARE(f.StatusPanel0->text(), QStringLiteral("Выкл"));
        QCOMPARE(rig.Frames(), framesBefore);

        // A new simulator takes the entry the killed one left; the port can be chosen again.
        meter.reset();
        MeterProcess next(home, FastMeter());
        QCOMPARE(next.WaitReady(), 5);
        f.Update1Click();
        QVERIFY(rig.Open(5));
        QTRY_VERIFY_WITH_TIMEOUT(rig.Frames() >= framesBefore + 3, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!f.pWork->isHidden(), 30000);
    }

    void twoSimulatorsGetDifferentNumbers() {
        ConfigHome home;
        MeterProcess first(home, FastMeter());
        QCOMPARE(first.WaitReady(), 5);
        MeterProcess second(home, FastMeter({QStringLiteral("--fire"), QStringLiteral("TP5")}));
        QCOMPARE(second.WaitReady(), 6);
        QVERIFY(first.Pts() != second.Pts());
        E2eRig rig(home);
        QVERIFY(rig.form1->PortItem(5));
        QVERIFY(rig.form1->PortItem(6));
        QVERIFY(rig.Open(6));
        QTRY_VERIFY_WITH_TIMEOUT(rig.Frames() >= 3, 30000);
        // ТП5 starts at 0,1 dB/m (band middle), ТП1 at 0,025: the frames are the second's.
        QTRY_VERIFY_WITH_TIMEOUT(rig.form1->lDi->text().startsWith(QStringLiteral("Di=0,1")),
                                 30000);
    }
};

VELS5_GUI_TEST_MAIN(TstE2eLink)
#include "tst_e2e_link.moc"
