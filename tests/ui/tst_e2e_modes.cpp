// End to end with the meter simulator as a separate process on a real pseudo-terminal: the
// panels follow its modes, records average what it sent, a restart reaches it.
#include "e2e_meter.h"
#include "test_main.h"

#include <QLabel>
#include <QTimer>
#include <QToolButton>

using test::ConfigHome;
using test::E2eRig;
using test::FastMeter;
using test::MeterProcess;

namespace {

// Which mode panel is in front, sampled from the widgets as the user sees them.
QString VisiblePanel(const ui::TForm1& f) {
    if (!f.pStart->isHidden())
        return QStringLiteral("start");
    if (!f.pStab->isHidden())
        return QStringLiteral("stab");
    if (!f.pAdjust->isHidden())
        return QStringLiteral("adjust");
    if (!f.pWork->isHidden())
        return QStringLiteral("work");
    return QStringLiteral("error");
}

// One status frame the simulator reports sending ("tx mode=04 Ui=4,95 Di=0,025").
struct SentFrame {
    int mode;
    double ui, di;
};

QList<SentFrame> SentFrames(const QStringList& lines) {
    static const QRegularExpression re(
        QStringLiteral(R"(tx mode=([0-9A-F]{2}) Ui=([-0-9,e]+) Di=([-0-9,e]+)$)"));
    QList<SentFrame> frames;
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = re.match(line);
        if (!m.hasMatch())
            continue;
        auto number = [&](int i) {
            return m.captured(i).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
        };
        frames.append({m.captured(1).toInt(nullptr, 16), number(2), number(3)});
    }
    return frames;
}

// Index past the run of frames [from, from + n) whose means give `record`, for n in
// [minN, maxN], or -1. The monitor's record is the mean of Ui and of Di / fDist over the
// frames of its interval, summed in double precision in frame order and stored as float:
// the same sums here give the same bits, so equality is exact.
int MatchRecord(const QList<SentFrame>& work, int from, const core::MeasurementRecord& record,
                double distM, int minN, int maxN) {
    double sumUi = 0, sumM = 0;
    for (int n = 1; n <= maxN && from + n <= work.size(); ++n) {
        sumUi += static_cast<float>(work[from + n - 1].ui);
        sumM += static_cast<float>(work[from + n - 1].di) / distM;
        if (n >= minN && static_cast<float>(sumUi / n) == record.Ui &&
            static_cast<float>(sumM / n) == record.m)
            return from + n;
    }
    return -1;
}

} // namespace

class TstE2eModes : public QObject {
    Q_OBJECT

private slots:
    void panelsFollowStartStabilisationAdjustmentWork() {
        ConfigHome home;
        MeterProcess meter(home, FastMeter({QStringLiteral("--start"), QStringLiteral("1"),
                                            QStringLiteral("--stab"), QStringLiteral("0:02"),
                                            QStringLiteral("--adjust"), QStringLiteral("1,8"),
                                            QStringLiteral("--measuring"), QStringLiteral("1")}));
        QCOMPARE(meter.WaitReady(), 5);
        E2eRig rig(home);
        ui::TForm1& f = *rig.form1;
        QStringList panels;
        QSet<QString> stabTexts, uiTexts;
        bool left = false, square = false, right = false, blank = false;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            const QString p = VisiblePanel(f);
            if (panels.isEmpty() || panels.last() != p)
                panels << p;
            if (p == QStringLiteral("stab"))
                stabTexts << f.lStabTime->text();
            if (p == QStringLiteral("adjust")) {
                left |= !f.iTrL3->isHidden();
                square |= !f.iSQ3->isHidden();
                right |= !f.iTrR3->isHidden();
                blank |= f.lUa->isHidden();
            }
            if (p == QStringLiteral("work"))
                uiTexts << f.lUi->text();
        });
        sampler.start(10);
        QVERIFY(rig.Open(5));
        QVERIFY(rig.prompts.asked.empty());
        QTRY_VERIFY_WITH_TIMEOUT(uiTexts.contains(QStringLiteral("Измерение")) &&
                                     f.lUi->text().startsWith("Ui=4,9"),
                                 60000);
        QCOMPARE(panels, (QStringList{"start", "stab", "adjust", "work"}));
        QVERIFY2(stabTexts.contains(QStringLiteral("00:02")) ||
                     stabTexts.contains(QStringLiteral("00:01")),
                 qPrintable(QStringList(stabTexts.values()).join(' ')));
        QVERIFY(left && square && right && blank);
        QVERIFY(f.lDi->text().startsWith(QStringLiteral("Di=0,0")));
        QVERIFY(f.lDi->text().endsWith(QStringLiteral("дБ")));
        QVERIFY(f.bbRestart->isEnabled());
        QCOMPARE(f.Session().Receiver().Dropped().badCrc, 0u);
    }

    void recordsAverageTheFramesTheSimulatorSent() {
        ConfigHome home;
        MeterProcess meter(home, FastMeter({QStringLiteral("--verbose"), QStringLiteral("--speed"),
                                            QStringLiteral("40"), QStringLiteral("--dist"),
                                            QStringLiteral("2,5")}));
        QCOMPARE(meter.WaitReady(), 5);
        E2eRig rig(home);
        rig.form1->StoreDist(2.5f);
        rig.form1->StoreTimeStep(2);
        QVERIFY(rig.Open(5));
        const core::RecordLog& log = rig.form1->Session().Log();
        QTRY_VERIFY_WITH_TIMEOUT(log.Count() >= 5, 60000);
        // The records so far were made of frames up to the one the monitor holds now. The
        // simulator logs each frame before it sends it: once that frame's line has been read,
        // so have the lines of all the frames before it.
        const int records = log.Count();
        const core::StatusArea& status = rig.form1->Session().Status();
        const float lastUi = status.Ui(), lastDi = status.Di();
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (const SentFrame& s : SentFrames(meter.Lines()))
                    if (float(s.ui) == lastUi && float(s.di) == lastDi)
                        return true;
                return false;
            }(),
            30000);
        QList<SentFrame> work;
        for (const SentFrame& s : SentFrames(meter.Lines()))
            if (s.mode == 0x04)
                work.append(s);
        QVERIFY2(work.size() > 80, qPrintable(meter.Output()));

        // The port opened before work began, so record 0 starts at one of the first work
        // frames; every following record takes exactly the next frames: none lost, none
        // counted twice. A 2 s period at 10 frames/s is about 20 frames.
        int next = -1;
        for (int start = 0; start < 3 && next < 0; ++start)
            next = MatchRecord(work, start, log[0], 2.5, 15, 25);
        QVERIFY2(next > 0, qPrintable(QStringLiteral("record 0: Ui %1 m %2")
                                          .arg(log[0].Ui, 0, 'g', 9)
                                          .arg(log[0].m, 0, 'g', 9)));
        for (int k = 1; k < records - 1; ++k) {
            const int end = MatchRecord(work, next, log[k], 2.5, 15, 25);
            QVERIFY2(end > 0,
                     qPrintable(QStringLiteral("record %1 after frame %2").arg(k).arg(next)));
            QCOMPARE(int(log[k].T), 2 * k);
            next = end;
        }
        QVERIFY(log[records - 1].m > log[0].m); // the fire grows
    }

    void restartFromTheMonitorRestartsTheWorkPhase() {
        ConfigHome home;
        MeterProcess meter(home, FastMeter({QStringLiteral("--verbose"), QStringLiteral("--speed"),
                                            QStringLiteral("60"), QStringLiteral("--measuring"),
                                            QStringLiteral("2")}));
        QCOMPARE(meter.WaitReady(), 5);
        E2eRig rig(home);
        ui::TForm1& f = *rig.form1;
        QVERIFY(rig.Open(5));
        const core::RecordLog& log = f.Session().Log();
        QTRY_VERIFY_WITH_TIMEOUT(log.Count() >= 3, 60000);
        const float before = log[log.Count() - 1].m;
        rig.prompts.answers.push_back(core::PromptAnswer::No);
        f.bbRestart->click();
        QCOMPARE(test::Q(rig.prompts.Texts()), QStringList{QStringLiteral("Сохранить данные?")});
        QVERIFY2(!meter.WaitLine(QStringLiteral("rx C0 22 00 EE: restart: work phase begins again"))
                      .isEmpty(),
                 qPrintable(meter.Output()));
        QVERIFY(!meter.WaitLine(QStringLiteral("tx mode=84")).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(f.lUi->text(), QStringLiteral("Измерение"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(f.lUi->text().startsWith(QStringLiteral("Ui=")), 20000);
        // A new log: the fire starts again from its beginning.
        QTRY_VERIFY_WITH_TIMEOUT(log.Count() >= 1, 20000);
        QCOMPARE(int(log[0].T), 0);
        QVERIFY2(log[0].m < before, qPrintable(QStringLiteral("%1 %2").arg(log[0].m).arg(before)));
    }
};

VELS5_GUI_TEST_MAIN(TstE2eModes)
#include "tst_e2e_modes.moc"
