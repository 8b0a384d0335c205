// End to end with the meter simulator as a separate process whose cable is pulled in the
// middle of a fire test: the monitor waits for the meter and goes on with the same log, the
// same journal and the same test; the gap is kept in the marks and named by the verdict.
#include "core/files/atomic_file.h"
#include "core/files/table_file.h"
#include "core/fire/fire_marks.h"
#include "e2e_meter.h"
#include "test_main.h"
#include "ui/fire/form_test.h"

#include <QDir>
#include <QLabel>
#include <vector>

using test::ConfigHome;
using test::E2eRig;
using test::FastMeter;
using test::MeterProcess;

namespace {

// The one journal of the run (its marks file aside), or "" when there is none or more.
QString OnlyJournal(const QString& dir) {
    QStringList tables;
    for (const QString& name : QDir(dir).entryList({QStringLiteral("*.txt")}, QDir::Files))
        if (!name.endsWith(QStringLiteral(".test.txt")))
            tables << dir + QLatin1Char('/') + name;
    return tables.size() == 1 ? tables.front() : QString();
}

std::vector<int> TimesOf(const core::RecordLog& log) {
    std::vector<int> t;
    for (int i = 0; i < log.Count(); ++i)
        t.push_back(log[i].T);
    return t;
}

// Records after the first place where T jumps by more than one period (1 s), 0 without one.
int RecordsAfterAJump(const core::RecordLog& log) {
    for (int i = 1; i < log.Count(); ++i)
        if (log[i].T > log[i - 1].T + 1)
            return log.Count() - i;
    return 0;
}

} // namespace

class TstE2eReconnect : public QObject {
    Q_OBJECT

private slots:
    void aFireTestGoesOnAcrossAPulledCable() {
        ConfigHome home;
        // The cable is out from 40 to 48 s of the fire.
        MeterProcess meter(home, FastMeter({QStringLiteral("--fire"), QStringLiteral("TP4"),
                                            QStringLiteral("--unplug"), QStringLiteral("40+8")}));
        QCOMPARE(meter.WaitReady(), 5);
        E2eRig rig(home);
        rig.graph->OverlayAction(4)->trigger(); // the test's fire: ТП4
        QVERIFY(rig.Open(5));
        QVERIFY2(!meter.WaitLine(QStringLiteral("mode 04 work: fire"), 15000).isEmpty(),
                 qPrintable(meter.Output()));
        const core::MeasurementSession& session = rig.form1->Session();
        const core::RecordLog& log = session.Log();
        QVERIFY(QTest::qWaitFor([&] { return log.Count() >= 1; }, 5000));
        rig.test->aStart->trigger();
        QVERIFY(session.Test().Marks().fireStartT.has_value());
        const int fireStart = *session.Test().Marks().fireStartT;
        const std::uint32_t generation = log.Generation();

        QVERIFY2(!meter.WaitLine(QStringLiteral("unplugged at 40 s of the fire"), 120000).isEmpty(),
                 qPrintable(meter.Output()));
        QVERIFY2(!meter.WaitLine(QStringLiteral("plugged in again: COM5 -> "), 30000).isEmpty(),
                 qPrintable(meter.Output()));
        // Recording goes on by itself, T continuing after the gap: nothing is asked, the port
        // is the same.
        QTRY_VERIFY_WITH_TIMEOUT(RecordsAfterAJump(log) >= 5, 30000);
        QVERIFY2(rig.prompts.asked.empty(),
                 rig.prompts.asked.empty() ? "" : rig.prompts.asked.front().text.c_str());
        QCOMPARE(rig.form1->StatusPanel0->text(), QStringLiteral("COM5"));

        // One log: never reset. T runs on by the period but for one jump over the gap, which
        // is at least the 8 s without frames (less one for where the records fall).
        QCOMPARE(log.Generation(), generation);
        const std::vector<int> t = TimesOf(log);
        std::vector<std::size_t> jumps;
        for (std::size_t i = 1; i < t.size(); ++i) {
            QVERIFY2(t[i] > t[i - 1],
                     qPrintable(QStringLiteral("T %1 after %2").arg(t[i]).arg(t[i - 1])));
            if (t[i] != t[i - 1] + 1)
                jumps.push_back(i);
        }
        QCOMPARE(jumps.size(), std::size_t{1});
        const int fromT = t[jumps[0] - 1];
        const int toT = t[jumps[0]];
        QVERIFY2(toT - fromT >= 7, qPrintable(QStringLiteral("%1 .. %2").arg(fromT).arg(toT)));
        QCOMPARE(session.Test().Marks().gaps, (std::vector<core::LinkGap>{{fromT, toT}}));

        // The journal is that log: no row inside the gap, the same T on each side of it.
        const QString journal = OnlyJournal(home.JournalDir());
        QVERIFY2(!journal.isEmpty(), qPrintable(QDir(home.JournalDir()).entryList().join(' ')));
        std::string bytes;
        QVERIFY(core::ReadWholeFile(journal.toStdString(), bytes));
        const core::TableFileLoad rows = core::ReadTableFile(bytes, ";", false);
        QVERIFY2(rows, rows.refusal ? rows.refusal->message.c_str() : "");
        QVERIFY(rows.records.size() > jumps[0]);
        for (std::size_t i = 0; i < rows.records.size(); ++i)
            QCOMPARE(static_cast<int>(rows.records[i].T), t[i]);

        // Its marks file keeps the gap beside the fire and its start.
        const core::MarksBeside beside = core::LoadMarksBeside(journal.toStdString());
        QCOMPARE(beside.status, core::MarksBeside::Status::Loaded);
        const core::TestMarks& marks = *beside.load.marks;
        QCOMPARE(marks.fireId, 4);
        QCOMPARE(marks.fireStartT, std::optional<int>(fireStart));
        QCOMPARE(marks.gaps, (std::vector<core::LinkGap>{{fromT, toT}}));

        // The fire stayed inside its band; the verdict cannot vouch for the gap and names it.
        const QString verdict = rig.test->lVerdict->text();
        QVERIFY2(verdict.startsWith(QStringLiteral("ТП4: в допуске")), qPrintable(verdict));
        QVERIFY2(
            verdict.contains(
                QStringLiteral("разрыв связи %1–%2 с").arg(fromT - fireStart).arg(toT - fireStart)),
            qPrintable(verdict));
    }
};

VELS5_GUI_TEST_MAIN(TstE2eReconnect)
#include "tst_e2e_reconnect.moc"
