// End to end with the meter simulator as a separate process: the link lost when it stops,
// a simulator killed mid-frame, and two simulators side by side.
#include "e2e_meter.h"
#include "test_main.h"

#include <QElapsedTimer>
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
    void noLinkFiveSecondsAfterTheSimulatorStops() {
        ConfigHome home;
        MeterProcess meter(home, FastMeter());
        QCOMPARE(meter.WaitReady(), 5);
        E2eRig rig(home);
        ui::TForm1& f = *rig.form1;
        QVERIFY(rig.Open(5));
        QTRY_VERIFY_WITH_TIMEOUT(!f.pWork->isHidden(), 8000);
        QElapsedTimer sinceStop;
        sinceStop.start();
        meter.Terminate();
        QCOMPARE(meter.WaitExit(), 0);
        QVERIFY(meter.Output().contains(QStringLiteral("vels5-meter: stopped, COM5 removed")));
        QVERIFY(!QFile::exists(home.dir.path() + QStringLiteral("/vels5/ports/COM5")));
        QTRY_VERIFY_WITH_TIMEOUT(f.lStart->text() == QStringLiteral("Нет связи"), 7000);
        // The last frame went out at most one interval (100 ms) before the stop; a coarse Qt
        // timer may fire up to 5 % early.
        QVERIFY2(sinceStop.elapsed() >= 4500, qPrintable(QString::number(sinceStop.elapsed())));
        QVERIFY(!f.pStart->isHidden());
    }

    void simulatorKilledMidFrameLeavesTheMonitorResponsive() {
        ConfigHome home;
        auto meter = std::make_unique<MeterProcess>(
            home, FastMeter({QStringLiteral("--interval"), QStringLiteral("1000"),
                             QStringLiteral("--split"), QStringLiteral("900"),
                             QStringLiteral("--verbose")}));
        QCOMPARE(meter->WaitReady(), 5);
        E2eRig rig(home);
        ui::TForm1& f = *rig.form1;
        QVERIFY(rig.Open(5));
        QTRY_VERIFY_WITH_TIMEOUT(rig.Frames() >= 2, 5000);
        // The next frame: once the monitor holds its first half (the second is due 900 ms
        // later), the simulator dies.
        QVERIFY(!meter->WaitLine(QStringLiteral(" tx mode=")).isEmpty());
        const auto midFrame = [&] {
            return f.Session().Receiver().State() != core::ReceiverState::Idle;
        };
        QTRY_VERIFY_WITH_TIMEOUT(midFrame(), 800);
        const std::uint64_t framesBefore = rig.Frames();
        meter->Kill();
        QCOMPARE(meter->WaitExit(), -1);
        QVERIFY(midFrame());

        // Responsive: the event loop keeps its pace and the window takes commands.
        QElapsedTimer loop;
        loop.start();
        bool fired = false;
        QTimer::singleShot(20, [&] { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, 1000);
        QVERIFY(loop.elapsed() < 500);
        f.Update1Click();
        QCOMPARE(f.StatusPanel0->text(), QStringLiteral("Выкл"));
        QCOMPARE(rig.Frames(), framesBefore);

        // A new simulator takes the entry the killed one left; the port can be chosen again.
        meter.reset();
        MeterProcess next(home, FastMeter());
        QCOMPARE(next.WaitReady(), 5);
        f.Update1Click();
        QVERIFY(rig.Open(5));
        QTRY_VERIFY_WITH_TIMEOUT(rig.Frames() >= framesBefore + 3, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!f.pWork->isHidden(), 8000);
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
        QTRY_VERIFY_WITH_TIMEOUT(rig.Frames() >= 3, 5000);
        // ТП5 starts at 0,1 dB/m (band middle), ТП1 at 0,025: the frames are the second's.
        QTRY_VERIFY_WITH_TIMEOUT(rig.form1->lDi->text().startsWith(QStringLiteral("Di=0,1")), 8000);
    }
};

VELS5_GUI_TEST_MAIN(TstE2eLink)
#include "tst_e2e_link.moc"
