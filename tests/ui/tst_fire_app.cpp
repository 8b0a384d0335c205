// The fire test in the program's windows as app/main.cpp wires them, on a pseudo-terminal
// that plays the meter and a manual clock: the menu item, F2 and Ctrl+N from the main window,
// the notice while the test window is hidden, the graph's drag, a reset and a loaded table.
#include "app_rig.h"
#include "core/common/cp1251.h"
#include "core/fire/fire_marks.h"
#include "pty_device.h"
#include "test_main.h"
#include "tests/common/status_frame.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

using core::mode_bit::kWork;
using test::StatusFrame;

class TstTestApp : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::MeterRig> m_rig;
    int m_beeps = 0;

    ui::TForm1& Form() { return *m_rig->form1; }
    ui::TFormTest& Test() { return *m_rig->test; }
    const core::TestMarks& Marks() { return Form().Session().Test().Marks(); }

    // A work frame with Di = `di` (the meter at 1 m), taken by the session.
    void Feed(float di) { m_rig->Feed(StatusFrame(kWork, 4.5f, di)); }
    void Record(float di) { m_rig->Record(di); }

private slots:
    void init() {
        m_rig = std::make_unique<test::MeterRig>();
        QVERIFY(m_rig->registered);
        m_beeps = 0;
        Test().Beep = [this] { ++m_beeps; };
        Form().show();
        Form().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Form()));
        m_rig->OpenMeterPort();
    }
    void cleanup() { m_rig.reset(); }

    void shortcutsFromTheMainWindowAndTheNoticeWhileHidden() {
        m_rig->graph->OverlayAction(1)->trigger();
        Test().bbAddClick();
        Test().bbAddClick();
        Record(0.0f);
        QVERIFY(!Test().isVisible());
        m_rig->clock.AdvanceMs(300);
        QTest::keyClick(&Form(), Qt::Key_F2);
        QCOMPARE(Marks().fireId, 1); // the graph's overlay
        QCOMPARE(*Marks().fireStartT, 0.3);
        Feed(0.04f);
        QTest::keyClick(&Form(), Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(Marks().detectors[1].thresholdDbPerM, 0.04f);
        QCOMPARE(m_beeps, 0);
        // m reaches ТП1's 0,75 dB/m (the second record averages 0,8 only): the record ends the
        // test, and the hidden window beeps once.
        Record(0.8f);
        QCOMPARE(m_beeps, 0);
        Record(0.8f);
        QCOMPARE(m_beeps, 1);
        Record(0.8f);
        QCOMPARE(m_beeps, 1);
        Form().mTest->trigger();
        QVERIFY(Test().isVisible());
        QCOMPARE(Test().lEnd->text(), QStringLiteral("Испытание завершено: m достигло 0,75 дБ/м"));
    }

    void draggingTheGraphsBandMovesTheStartInTheWindow() {
        m_rig->graph->OverlayAction(1)->trigger();
        Record(0.0f);
        m_rig->clock.AdvanceMs(5000);
        Test().aStart->trigger();
        QCOMPARE(Test().lStart->text(), QStringLiteral("Пуск: 5,0 с"));
        ui::TFormGraph& g = *m_rig->graph;
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        const int plotWidth = g.iImg.width() - g.View.LeftMargin;
        g.iDisplayMouseDown(false, 300, 100);
        g.iDisplayMouseMove(300 + plotWidth / 10, 100); // 20 of the 200 s across
        g.iDisplayMouseUp();
        const double start = *Marks().fireStartT; // 5 s, and 20 s less a pixel's truncation
        QVERIFY2(start >= 24.7 && start <= 25.0, qPrintable(QString::number(start)));
        QCOMPARE(
            Test().lStart->text(),
            QStringLiteral("Пуск: %1 с").arg(QString::number(start, 'f', 1).replace('.', ',')));
        QCOMPARE(g.Mouse.ShiftTP, std::int16_t{0}); // the overlay itself did not move
    }

    void aRestartStartsANewTestInTheWindow() {
        Test().bbAddClick();
        Record(0.0f);
        Test().aStart->trigger();
        Test().aAlarm[0]->trigger();
        QVERIFY(Test().bbUndo->isEnabled());
        m_rig->prompts.answers.push_back(core::PromptAnswer::No);
        Form().bbRestart->click();
        QCOMPARE(Test().lStart->text(), QStringLiteral("Пуск: не отмечен"));
        QVERIFY(!Test().bbUndo->isEnabled());
        QVERIFY(!Marks().detectors[0].alarmT);
    }

    void theSaveOfferWritesTheMarksBesideTheTable() {
        Test().bbAddClick();
        Record(0.0f);
        Test().aStart->trigger();
        Test().aAlarm[0]->trigger();
        const core::TestMarks marks = Marks();
        QTemporaryDir dir;
        const QString table = dir.filePath(QStringLiteral("before-restart.txt"));
        m_rig->prompts.answers.push_back(core::PromptAnswer::Yes);
        m_rig->prompts.fileNames.push_back(test::ToUtf8(table));
        Form().bbRestart->click();
        QFile beside(table + QStringLiteral(".test.txt"));
        QVERIFY(beside.open(QIODevice::ReadOnly));
        QCOMPARE(beside.readAll(), QByteArray::fromStdString(core::FormatMarksFile(marks)));
        QVERIFY(!Marks().fireStartT); // then the log and its test were reset
    }

    void aLoadedTableShowsItsMarks() {
        Form().TxOff->trigger(); // loading needs the port closed
        QTemporaryDir dir;
        const QString table = dir.filePath(QStringLiteral("t.txt"));
        QFile file(table);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("12:00:00;    0;   4,985;    4,900;    0,010\r\n"
                   "12:00:01;    1;   4,985;    4,900;    0,020\r\n");
        file.close();
        core::TestMarks marks;
        marks.fireId = 3;
        marks.fireStartT = 0.5;
        QFile beside(table + QStringLiteral(".test.txt"));
        QVERIFY(beside.open(QIODevice::WriteOnly));
        beside.write(QByteArray::fromStdString(core::FormatMarksFile(marks)));
        beside.close();
        m_rig->prompts.fileNames.push_back(test::ToUtf8(table));
        m_rig->tabl->bbLoadTab->click();
        QCOMPARE(Test().lStart->text(), QStringLiteral("Пуск: 0,5 с"));
        // One record after the start, half a second into the fire: known to 0 s.
        QCOMPARE(Test().lVerdict->text(),
                 QStringLiteral("ТП3: в допуске до 0 с, испытание не завершено"));
        // Nothing can be marked on a loaded log: no port is open.
        QVERIFY(!Test().bbStart->isEnabled());
    }
};

VELS5_GUI_TEST_MAIN(TstTestApp)
#include "tst_fire_app.moc"
