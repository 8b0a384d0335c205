// End to end with the meter simulator as a separate process: a fire test run as lab staff
// run it. The fire start is marked when the simulated fire starts, each detector's alarm when
// the simulator reports it; a fire inside its band gets "в допуске", one pushed out of it the
// interval where it left the band.
#include "e2e_meter.h"
#include "test_main.h"
#include "ui/fire/form_test.h"

#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTableWidget>

using test::ConfigHome;
using test::E2eRig;
using test::FastMeter;
using test::MeterProcess;

namespace {

// The simulator's alarm line: the detector's number and the m it reported.
struct Alarm {
    int detector = 0;
    double m = 0;
};

Alarm WaitAlarm(MeterProcess& meter) {
    const QString line = meter.WaitLine(QStringLiteral(R"(detector И(\d+) alarms: m=)"), 30000);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral(R"(И(\d+) alarms: m=(\d+),(\d+))")).match(line);
    if (!m.hasMatch())
        return {};
    return {m.captured(1).toInt(), (m.captured(2) + '.' + m.captured(3)).toDouble()};
}

// The port opened, the fire start marked as soon as the simulated fire has started and the
// log has its first record (the test window hidden: F2 works from anywhere).
bool StartTheFire(E2eRig& rig, MeterProcess& meter) {
    if (!rig.Open(5))
        return false;
    if (meter.WaitLine(QStringLiteral("mode 04 work: fire"), 15000).isEmpty())
        return false;
    const core::RecordLog& log = rig.form1->Session().Log();
    if (!QTest::qWaitFor([&] { return log.Count() >= 1; }, 5000))
        return false;
    rig.test->aStart->trigger();
    return rig.form1->Session().Test().Marks().fireStartT.has_value();
}

} // namespace

class TstE2eFire : public QObject {
    Q_OBJECT

private slots:
    void aFireInsideItsBandPassesWhenEveryDetectorHasAlarmed() {
        ConfigHome home;
        MeterProcess meter(home,
                           FastMeter({"--fire", "TP5", "--detectors", "2", "--threshold", "0,15"}));
        QCOMPARE(meter.WaitReady(), 5);
        E2eRig rig(home);
        int beeps = 0;
        rig.test->Beep = [&] { ++beeps; };
        rig.test->show();
        rig.test->cbFire->setCurrentIndex(rig.test->cbFire->findText(QStringLiteral("ТП5")));
        rig.test->cbFireChange(rig.test->cbFire->currentIndex());
        rig.test->bbAddClick();
        rig.test->bbAddClick();
        QVERIFY2(StartTheFire(rig, meter), qPrintable(meter.Output()));

        // Each alarm the simulator reports is marked at once (Ctrl+1, Ctrl+2).
        for (int i = 0; i < 2; ++i) {
            const Alarm alarm = WaitAlarm(meter);
            QVERIFY2(alarm.detector >= 1, qPrintable(meter.Output()));
            rig.test->aAlarm[static_cast<std::size_t>(alarm.detector - 1)]->trigger();
            const core::DetectorMark& mark =
                rig.form1->Session().Test().Marks().detectors[static_cast<std::size_t>(
                    alarm.detector - 1)];
            QVERIFY(mark.alarmT.has_value());
            // The threshold is m of the latest frame: close to what the simulator reported.
            QVERIFY2(std::abs(mark.thresholdDbPerM - alarm.m) < 0.03,
                     qPrintable(QStringLiteral("%1 %2").arg(mark.thresholdDbPerM).arg(alarm.m)));
        }
        QCOMPARE(rig.test->lEnd->text(),
                 QStringLiteral("Испытание завершено: сработали все извещатели"));
        QCOMPARE(rig.test->lVerdict->text(), QStringLiteral("ТП5: в допуске"));
        QCOMPARE(beeps, 1);
        QVERIFY(rig.test->lRatio->text().startsWith(QStringLiteral("Отношение порогов: 1,")));
        // Later records change nothing: the test has ended.
        const int count = rig.form1->Session().Log().Count();
        QTRY_VERIFY_WITH_TIMEOUT(rig.form1->Session().Log().Count() >= count + 2, 5000);
        QCOMPARE(rig.test->lVerdict->text(), QStringLiteral("ТП5: в допуске"));
        QCOMPARE(beeps, 1);
    }

    void aFirePushedAboveItsBandGetsTheIntervalItLeftIt() {
        ConfigHome home;
        // ТП5 above its upper limit from 6 to 11 s of the fire.
        MeterProcess meter(home, FastMeter({"--fire", "TP5", "--outside", "upper@6+5"}));
        QCOMPARE(meter.WaitReady(), 5);
        E2eRig rig(home);
        rig.graph->OverlayAction(5)->trigger(); // the test's fire from the graph: ТП5
        QVERIFY2(StartTheFire(rig, meter), qPrintable(meter.Output()));
        QCOMPARE(rig.form1->Session().Test().Marks().fireId, 5);
        QVERIFY(!meter.WaitLine(QStringLiteral("fire back inside its band"), 20000).isEmpty());
        const core::RecordLog& log = rig.form1->Session().Log();
        const int count = log.Count();
        QTRY_VERIFY_WITH_TIMEOUT(log.Count() >= count + 2, 5000);

        const std::optional<core::BandVerdict>& verdict = rig.form1->Session().Test().Verdict();
        QVERIFY(verdict.has_value());
        QVERIFY(!verdict->inside);
        QCOMPARE(verdict->violations.size(), std::size_t{1});
        const core::BandViolation& v = verdict->violations[0];
        QCOMPARE(v.side, core::BandSide::Upper);
        // The record times lag the fire by about a second (the first record comes one period
        // after the fire began) and each record averages the second before it.
        const QString range = QStringLiteral("%1 .. %2").arg(v.fromSec).arg(v.toSec);
        QVERIFY2(v.fromSec >= 3 && v.fromSec <= 7, qPrintable(range));
        QVERIFY2(v.toSec >= 7 && v.toSec <= 12, qPrintable(range));
        QVERIFY2(v.extreme > 0.3f, qPrintable(QString::number(v.extreme))); // upper 0,25 at 6 s
        QVERIFY2(rig.test->lVerdict->text().startsWith(QStringLiteral("ТП5: выше границы с ")),
                 qPrintable(rig.test->lVerdict->text()));
        // The graph shows the band from the start and the stretch outside it.
        rig.graph->show();
        rig.graph->RedrawGraph();
        int band = 0, violations = 0;
        for (const core::PaintItem& item : rig.graph->Paint().Items()) {
            band += item.role == core::PaintRole::TestBand;
            violations += item.role == core::PaintRole::Violation;
        }
        QCOMPARE(band, 2);
        QCOMPARE(violations, 1);
    }
};

VELS5_GUI_TEST_MAIN(TstE2eFire)
#include "tst_e2e_fire.moc"
