// The window "Испытание" on a session fed by a manual clock: marks, names, thresholds, the
// verdict, undo, the end-of-test notice with one beep, and the shortcuts from another window.
#include "test_main.h"
#include "tests/common/fake_prompts.h"
#include "tests/core/fake_session_observer.h"
#include "ui/fire/form_test.h"
#include "ui/graph/form_graph.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

namespace {

constexpr std::uint8_t kWork = 0x04;

// The session with a port open, a fire test window and a graph window on it.
struct TestRig {
    test::SessionRig rig;
    test::FakePrompts prompts;
    ui::TFormGraph graph{prompts, rig.session};
    ui::TFormTest form{rig.session};
    int beeps = 0;
    int changes = 0;

    TestRig() {
        rig.session.PortOpened();
        form.SetGraph(&graph);
        form.Beep = [this] { ++beeps; };
        QObject::connect(&form, &ui::TFormTest::TestChanged, [this] {
            ++changes;
            graph.RedrawGraph();
        });
        graph.FireStartDragged = [this](double t) {
            rig.session.Test().MoveFireStart(t);
            rig.session.UpdateTest();
            form.ShowTest();
        };
    }
    // Work frames with Di = `di` every 200 ms for `ms`, the record timer ticking, and the
    // window shown the result as the main window does after each event.
    void Work(int ms, float di) {
        for (int t = 0; t < ms; t += 200) {
            rig.Frame(kWork, 4.9f, di);
            rig.TickAfter(200);
            form.ShowTest();
        }
    }
    QPushButton* AlarmButton(int row) const {
        return qobject_cast<QPushButton*>(form.tvDetectors->cellWidget(row, 3));
    }
    QString Cell(int row, int column) const {
        const QTableWidgetItem* item = form.tvDetectors->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
};

} // namespace

class TstTestWindow : public QObject {
    Q_OBJECT

private slots:
    void controlsAndTheirNames() {
        TestRig t;
        QCOMPARE(t.form.objectName(), QStringLiteral("FormTest"));
        QCOMPARE(t.form.windowTitle(), QStringLiteral("Испытание"));
        QCOMPARE(t.form.cbFire->count(), 11);
        QCOMPARE(t.form.cbFire->itemText(6), QStringLiteral("ТП2Б"));
        QCOMPARE(t.form.bbStart->text(), QStringLiteral("Пуск пожара"));
        QCOMPARE(t.form.aStart->shortcut(), QKeySequence(Qt::Key_F2));
        QCOMPARE(t.form.aAlarm[8]->shortcut(), QKeySequence(QStringLiteral("Ctrl+9")));
        QCOMPARE(t.form.aStart->shortcutContext(), Qt::ApplicationShortcut);
        QCOMPARE(t.form.lStart->text(), QStringLiteral("Пуск: не отмечен"));
        QCOMPARE(t.form.lVerdict->text(), QStringLiteral("Тестовый пожар не выбран"));
        QCOMPARE(t.form.cbFire->currentIndex(), -1);
        // Nothing to mark before a log is being built.
        QVERIFY(!t.form.bbStart->isEnabled());
        QVERIFY(!t.form.aStart->isEnabled());
    }

    void theGraphsOverlayIsTheDefaultFire() {
        TestRig t;
        t.graph.OverlayAction(7)->trigger(); // ТП2Б
        t.form.show();
        QCOMPARE(t.form.cbFire->currentText(), QStringLiteral("ТП2Б"));
        QCOMPARE(t.rig.session.Test().Marks().fireId, 7);
        // One fire: chosen here it is shown on the graph, chosen there it is the test's.
        t.form.cbFire->setCurrentIndex(0);
        t.form.cbFireChange(0);
        QCOMPARE(t.graph.View.bVeiwTP, std::int8_t(1));
        t.graph.OverlayAction(2)->trigger();
        t.form.hide();
        t.form.show();
        QCOMPARE(t.rig.session.Test().Marks().fireId, 2);
        QCOMPARE(t.form.cbFire->currentText(), QStringLiteral("ТП2"));
    }

    void startAlarmsThresholdsRatioAndUndo() {
        TestRig t;
        t.form.cbFire->setCurrentIndex(0);
        t.form.cbFireChange(0); // ТП1
        t.rig.session.Params().fDist = 2.0f;
        t.form.bbAdd->click();
        t.form.bbAdd->click();
        QCOMPARE(t.form.tvDetectors->rowCount(), 2);
        QCOMPARE(t.Cell(1, 0), QStringLiteral("И2"));
        t.Work(1000, 0.0f); // record 0
        QVERIFY(t.form.bbStart->isEnabled());
        t.rig.clock.AdvanceMs(2300);
        t.form.bbStart->click();
        QCOMPARE(t.form.lStart->text(), QStringLiteral("Пуск: 2,3 с"));
        // No record has come since the start: nothing is known yet.
        QCOMPARE(t.form.lVerdict->text(), QStringLiteral("ТП1: нет данных"));
        t.rig.Frame(kWork, 4.9f, 0.16f);
        t.AlarmButton(1)->click();
        QCOMPARE(t.Cell(1, 1), QStringLiteral("2,3"));
        QCOMPARE(t.Cell(1, 2), QStringLiteral("0,080"));
        QCOMPARE(t.form.lRatio->text(), QStringLiteral("Отношение порогов: —"));
        t.rig.Frame(kWork, 4.9f, 0.2f);
        t.rig.clock.AdvanceMs(400);
        t.AlarmButton(0)->click();
        QCOMPARE(t.Cell(0, 2), QStringLiteral("0,100"));
        QCOMPARE(t.form.lRatio->text(), QStringLiteral("Отношение порогов: 1,25"));
        QCOMPARE(t.form.lEnd->text(),
                 QStringLiteral("Испытание завершено: сработали все извещатели"));
        QCOMPARE(t.beeps, 1);
        // Undo the last alarm: the end is gone; marked again, the notice comes once more.
        t.form.bbUndo->click();
        QCOMPARE(t.Cell(0, 1), QString());
        QCOMPARE(t.form.lEnd->text(), QString());
        t.AlarmButton(0)->click();
        QCOMPARE(t.beeps, 2);
        t.Work(1000, 0.2f);
        QCOMPARE(t.beeps, 2); // one beep per end, not per record
        QVERIFY(t.changes >= 6);
    }

    void namesAreEditedInPlaceAndAnEmptyOneIsRefused() {
        TestRig t;
        t.form.show();
        t.form.bbAdd->click();
        QTableWidgetItem* name = t.form.tvDetectors->item(0, 0);
        name->setText(QStringLiteral("  ИП 212;3 "));
        QCOMPARE(t.rig.session.Test().Marks().detectors[0].name, std::string("ИП 2123"));
        QCOMPARE(name->text(), QStringLiteral("ИП 2123"));
        name->setText(QStringLiteral("   "));
        QCOMPARE(name->text(), QStringLiteral("ИП 2123"));
        QCOMPARE(t.rig.session.Test().Marks().detectors[0].name, std::string("ИП 2123"));
        // "Переименовать" opens the editor on the current name.
        t.form.tvDetectors->setCurrentCell(0, 0);
        t.form.bbRename->click();
        QVERIFY(t.form.tvDetectors->findChild<QLineEdit*>());
        t.form.bbAdd->click();
        t.form.tvDetectors->setCurrentCell(0, 0);
        t.form.bbRemove->click();
        QCOMPARE(t.form.tvDetectors->rowCount(), 1);
        QCOMPARE(t.Cell(0, 0), QStringLiteral("И1")); // the first free number
    }

    void theVerdictFollowsTheRecordsAndTheEndValueBeeps() {
        TestRig t;
        t.form.cbFire->setCurrentIndex(0);
        t.form.cbFireChange(0);
        t.Work(1000, 0.0f);
        t.form.bbStart->click();
        t.Work(2000, 0.2f); // 0,2 dB/m: above ТП1's 0,05 at once
        QVERIFY2(t.form.lVerdict->text().startsWith(QStringLiteral("ТП1: выше границы с 1 по 2 с")),
                 qPrintable(t.form.lVerdict->text()));
        QCOMPARE(t.beeps, 0);
        t.Work(1000, 0.9f); // m_E reached: the test ends
        QCOMPARE(t.form.lEnd->text(), QStringLiteral("Испытание завершено: m достигло 0,75 дБ/м"));
        QCOMPARE(t.beeps, 1);
        // The graph draws the band from the start, the start line and the stretch outside.
        t.graph.show();
        t.graph.RedrawGraph();
        int band = 0, violations = 0;
        for (const core::PaintItem& item : t.graph.Paint().Items()) {
            band += item.role == core::PaintRole::TestBand;
            violations += item.role == core::PaintRole::Violation;
        }
        QCOMPARE(band, 2);
        QVERIFY(violations >= 1);
    }

    void draggingTheBandMovesTheFireStart() {
        TestRig t;
        t.form.cbFire->setCurrentIndex(0);
        t.form.cbFireChange(0);
        t.Work(1000, 0.0f);
        t.rig.clock.AdvanceMs(10'000);
        t.form.bbStart->click();
        t.graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.graph));
        const int plotWidth = t.graph.iImg.width() - t.graph.View.LeftMargin;
        // Half the plot width to the right: 100 s of the 200 across.
        t.graph.iDisplayMouseDown(false, 200, 100);
        t.graph.iDisplayMouseMove(200 + plotWidth / 2, 100);
        t.graph.iDisplayMouseUp();
        const double start = *t.rig.session.Test().Marks().fireStartT;
        QVERIFY2(start > 109.5 && start < 110.5, qPrintable(QString::number(start)));
        QCOMPARE(
            t.form.lStart->text(),
            QStringLiteral("Пуск: %1 с").arg(QString::number(start, 'f', 1).replace('.', ',')));
        QCOMPARE(t.graph.Mouse.ShiftTP, std::int16_t{0});
    }

    void theFireIsOneOnTheGraphAndInTheTest() {
        TestRig t;
        const auto bands = [&t] {
            t.graph.RedrawGraph();
            int band = 0, overlay = 0;
            for (const core::PaintItem& item : t.graph.Paint().Items()) {
                band += item.role == core::PaintRole::TestBand;
                overlay += item.role == core::PaintRole::Overlay;
            }
            return std::pair{band, overlay};
        };
        // Chosen here, the fire is shown on the graph.
        t.form.cbFire->setCurrentIndex(0);
        t.form.cbFireChange(0);
        QCOMPARE(t.graph.View.bVeiwTP, std::int8_t(1));
        QVERIFY(t.graph.OverlayButton(1)->isChecked());
        t.Work(1000, 0.0f);
        t.form.bbStart->click();
        QVERIFY(t.form.lVerdict->text().startsWith(QStringLiteral("ТП1: ")));
        // A new test keeps the fire; chosen on the graph, ТП2 is the new test's fire, and F2
        // anchors its band and checks against it.
        t.rig.session.bbRestartClick();
        t.form.ShowTest();
        QTest::mouseClick(t.graph.OverlayButton(2), Qt::LeftButton);
        QCOMPARE(t.rig.session.Test().Marks().fireId, 2);
        QCOMPARE(t.form.cbFire->currentText(), QStringLiteral("ТП2"));
        t.Work(1000, 0.0f);
        t.form.aStart->trigger();
        t.Work(1000, 0.0f);
        QVERIFY2(t.form.lVerdict->text().startsWith(QStringLiteral("ТП2: ")),
                 qPrintable(t.form.lVerdict->text()));
        QCOMPARE(bands(), (std::pair{2, 0}));
        // "Убрать ТП" hides the band, not the test's fire.
        t.graph.OverlayAction(0)->trigger();
        QCOMPARE(bands(), (std::pair{0, 0}));
        QCOMPARE(t.rig.session.Test().Marks().fireId, 2);
        QVERIFY(t.form.lVerdict->text().startsWith(QStringLiteral("ТП2: ")));
        // The template is shown alone, and a plain drag lines it up, not the fire start.
        t.graph.Template.TemplatePoints = {{0, 0.0f}, {60, 0.1f}};
        t.graph.Template.NTempl = 2;
        t.graph.OverlayAction(10)->trigger();
        QCOMPARE(bands(), (std::pair{0, 1}));
        const double start = *t.rig.session.Test().Marks().fireStartT;
        t.graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.graph));
        t.graph.iDisplayMouseDown(false, 200, 100);
        t.graph.iDisplayMouseMove(260, 100);
        t.graph.iDisplayMouseUp();
        QCOMPARE(t.graph.Mouse.ShiftTP, std::int16_t{60});
        QCOMPARE(*t.rig.session.Test().Marks().fireStartT, start);
        QCOMPARE(t.rig.session.Test().Marks().fireId, 2);
        // A loaded test brings its fire to a graph that shows a fire.
        t.graph.OverlayAction(2)->trigger();
        core::TestMarks marks;
        marks.fireId = 5;
        t.rig.session.LogLoaded(&marks);
        t.form.ShowTest();
        QCOMPARE(t.graph.View.bVeiwTP, std::int8_t(5));
    }

    void shortcutsWorkFromAnotherWindow() {
        TestRig t;
        t.form.cbFire->setCurrentIndex(0);
        t.form.cbFireChange(0);
        t.form.bbAdd->click();
        t.form.bbAdd->click();
        t.Work(1000, 0.0f);
        // The test window is hidden; its actions live on a window that is shown.
        t.graph.addActions(t.form.ShortcutActions());
        t.graph.show();
        t.graph.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&t.graph));
        t.rig.clock.AdvanceMs(1000);
        QTest::keyClick(&t.graph, Qt::Key_F2);
        QCOMPARE(*t.rig.session.Test().Marks().fireStartT, 1.0);
        t.rig.clock.AdvanceMs(500);
        QTest::keyClick(&t.graph, Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(*t.rig.session.Test().Marks().detectors[1].alarmT, 1.5);
        QVERIFY(!t.rig.session.Test().Marks().detectors[0].alarmT);
        // Ctrl+3: there is no third detector.
        QTest::keyClick(&t.graph, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(t.rig.session.Test().Marks().detectors.size(), std::size_t{2});
    }

    void aResetOfTheLogShowsANewTest() {
        TestRig t;
        t.form.cbFire->setCurrentIndex(1);
        t.form.cbFireChange(1);
        t.form.bbAdd->click();
        t.Work(1000, 0.0f);
        t.form.bbStart->click();
        t.AlarmButton(0)->click();
        t.rig.session.bbRestartClick();
        t.form.ShowTest();
        QCOMPARE(t.form.lStart->text(), QStringLiteral("Пуск: не отмечен"));
        QCOMPARE(t.Cell(0, 1), QString());
        QCOMPARE(t.Cell(0, 0), QStringLiteral("И1"));
        QCOMPARE(t.form.cbFire->currentText(), QStringLiteral("ТП2"));
        QVERIFY(!t.form.bbUndo->isEnabled());
    }
};

VELS5_GUI_TEST_MAIN(TstTestWindow)
#include "tst_fire_window.moc"
