// The table window, graph window and technical panel as the main window and the settings
// file use them.
#include "graph_view_text.h"
#include "test_main.h"
#include "tests/common/fake_prompts.h"
#include "tests/core/fake_session_observer.h"
#include "ui/common/form_style.h"
#include "ui/common/picture_box.h"
#include "ui/graph/form_graph.h"
#include "ui/main/session_signals.h"
#include "ui/table/form_tabl.h"
#include "ui/tech/form_tech.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

class TstWindows : public QObject {
    Q_OBJECT

private:
    test::FakePrompts m_prompts;

    static void AddRecord(test::SessionRig& rig, float ui, float m, int t) {
        core::RecordLog& log = rig.session.Log();
        const int i = log.Count();
        core::MeasurementRecord r;
        r.Ui = ui;
        r.m = m;
        r.T = static_cast<std::uint16_t>(t);
        r.Time = core::EncodeDateTime({2026, 1, 1, 12, 0, t, 0});
        log[i] = r;
        log.SetCount(i + 1);
    }

private slots:
    void tableLayout() {
        test::SessionRig rig;
        ui::TFormTabl t(m_prompts, rig.session);
        QCOMPARE(t.windowTitle(), QStringLiteral("Таблица"));
        QCOMPARE(t.size(), ui::InnerSize(549, 358));
        QCOMPARE(t.minimumWidth(), t.maximumWidth());
        QCOMPARE(t.minimumHeight(), ui::InnerSize(549, 200).height());
        const std::pair<QToolButton*, const char*> buttons[] = {
            {t.bbLoadTab, "Загрузить таблицу"},
            {t.bbSaveTab, "Сохранить таблицу"},
            {t.bbSaveAs, "Сохранить таблицу как ..."},
            {t.bbSaveTempl, "Сохранить как шаблон"},
            {t.BitBtn2, "Удалить выделенное"},
            {t.sbLastLine, "Показывать последнюю строку"}};
        for (const auto& [button, hint] : buttons) {
            QCOMPARE(button->toolTip(), QString::fromUtf8(hint));
            QCOMPARE(button->size(), QSize(36, 38));
        }
        QCOMPARE(t.bbLoadTab->objectName(), QStringLiteral("bbLoadTab"));
        QCOMPARE(t.miLoadTab->objectName(), QStringLiteral("miLoadTab"));
        QCOMPARE(t.miLoadTab->text(), QStringLiteral("Открыть"));
        QCOMPARE(t.lTime->text(), QStringLiteral("Ti= 00:00:00"));
        QCOMPARE(t.lTime->x(), 4);
        QCOMPARE(t.lDist->text(), QStringLiteral("Li="));
        QCOMPARE(t.lDist->x(), 164);
        QCOMPARE(t.lDist->font().pixelSize(), 16);
        QVERIFY(t.lDist->font().bold());
        QCOMPARE(t.ListBox1->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(t.ListBox1->font().pixelSize(), 19);
        QCOMPARE(t.ListBox1->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(t.View.Delim, std::string(";"));
        QVERIFY(!t.View.IsUnit);
        QVERIFY(!t.View.ViewLastLine);
        QVERIFY(!t.isVisible());
    }

    void tableShowingEmptiesTheListAndEndsFollowMode() {
        test::SessionRig rig;
        rig.session.Params().fDist = 2.5f;
        ui::TFormTabl t(m_prompts, rig.session);
        t.ListBox1->addItem(QStringLiteral("old row"));
        t.SetViewLastLine(true);
        t.show();
        QCOMPARE(t.ListBox1->count(), 0);
        QVERIFY(!t.View.ViewLastLine);
        QVERIFY(!t.mViewLastLine->isChecked());
        QVERIFY(!t.sbLastLine->isChecked());
        QCOMPARE(t.lDist->text(), QStringLiteral("Li=2,5 м"));
        t.hide();
    }

    void tableRowsAndFollowMode() {
        test::SessionRig rig;
        ui::TFormTabl t(m_prompts, rig.session);
        t.show();
        AddRecord(rig, 4.321f, 0.123f, 5);
        AddRecord(rig, 4.0f, 0.5f, 6);
        t.AddRecordRow(0);
        QCOMPARE(t.ListBox1->item(0)->text(),
                 QStringLiteral("12:00:05;    5;   4,985;    4,321;    0,123"));
        t.View.IsUnit = true;
        t.View.Delim = "|";
        t.AddRecordRow(1);
        QCOMPARE(t.ListBox1->item(1)->text(),
                 QStringLiteral("12:00:06|    6|   4,985В|   4,000В|   0,500дБ/м"));
        QCOMPARE(t.lDist->text(), QStringLiteral("Li=1,0 м"));
        // Follow mode moves the current row, not the selection.
        t.ListBox1->item(0)->setSelected(true);
        QTest::mouseClick(t.sbLastLine, Qt::LeftButton);
        QVERIFY(t.View.ViewLastLine);
        QVERIFY(t.mViewLastLine->isChecked());
        QVERIFY(t.sbLastLine->isChecked());
        QCOMPARE(t.ListBox1->currentRow(), 1);
        AddRecord(rig, 3.0f, 0.7f, 7);
        t.AddRecordRow(2);
        QCOMPARE(t.ListBox1->currentRow(), 2);
        QCOMPARE(t.ListBox1->selectedItems().size(), 1);
        QVERIFY(t.ListBox1->item(0)->isSelected());
        t.mViewLastLine->trigger(); // the menu item toggles the same three
        QVERIFY(!t.View.ViewLastLine);
        QVERIFY(!t.sbLastLine->isChecked());
        QVERIFY(!t.mViewLastLine->isChecked());
        t.ClearRows();
        QCOMPARE(t.ListBox1->count(), 0);
        t.hide();
    }

    void tableLoadControls() {
        test::SessionRig rig;
        ui::TFormTabl t(m_prompts, rig.session);
        t.SetLoadEnabled(false);
        QVERIFY(!t.bbLoadTab->isEnabled());
        QVERIFY(!t.miLoadTab->isEnabled());
        t.SetLoadEnabled(true);
        QVERIFY(t.bbLoadTab->isEnabled());
        QVERIFY(t.miLoadTab->isEnabled());
    }

    // Each window decides for itself what a change of the session means while it is hidden.
    void windowsFollowTheSessionShownOrHidden() {
        test::SessionRig rig;
        ui::SessionSignals events(rig.session);
        ui::TFormTabl t(m_prompts, rig.session);
        ui::TFormGraph g(m_prompts, rig.session);
        ui::TFormTech tech(rig.session.Status());
        t.Follow(events);
        g.Follow(events);
        tech.Follow(events);
        QVERIFY(t.bbLoadTab->isEnabled());
        rig.session.PortOpened();
        QVERIFY(!t.bbLoadTab->isEnabled());
        QVERIFY(!t.miLoadTab->isEnabled());
        QVERIFY(g.lVal->isHidden()); // the reset redraws the hidden graph: an empty log
        core::BlockStatus emitter;
        emitter.rmsCode = 8191;
        rig.session.Status().SetEmitter(emitter);
        rig.Frame(0x04, 2.0f, 0.5f);
        rig.session.Status().SetEmitter(emitter);
        rig.session.ProcessStatus();
        QCOMPARE(tech.Left().urmsVolts, 0.0f); // hidden: no values taken
        rig.TickAfter(1000);
        rig.TickAfter(1000);
        QCOMPARE(rig.session.Log().Count(), 2);
        QCOMPARE(t.ListBox1->count(), 0);
        QCOMPARE(t.lTime->text(), QStringLiteral("Ti= 00:00:00"));
        QVERIFY(g.lVal->isHidden()); // no redraw for a record while hidden
        QCOMPARE(g.lTime->text(), QStringLiteral("Ti= 00:00:00"));
        // Shown, the table starts empty; "Все записи" brings the records added while hidden.
        t.show();
        g.show();
        tech.show();
        QCOMPARE(t.ListBox1->count(), 0);
        t.mAllRec->trigger();
        QCOMPARE(t.ListBox1->count(), 2);
        rig.session.ProcessStatus();
        QCOMPARE(tech.Left().urmsVolts, 10.0f);
        rig.TickAfter(1000);
        QCOMPARE(t.ListBox1->count(), 3);
        QCOMPARE(t.ListBox1->item(2)->text(),
                 QStringLiteral("12:00:03;    2;   4,985;    2,000;    0,500"));
        QCOMPARE(t.lTime->text(), QStringLiteral("Ti= 00:00:02"));
        QCOMPARE(g.lTime->text(), QStringLiteral("Ti= 00:00:02"));
        QCOMPARE(g.lVal->text(), QStringLiteral("m=0,500 дБ/м"));
        // Hidden again: the reset empties the list and redraws the graph all the same, but
        // leaves the labels of both as they were.
        t.hide();
        g.hide();
        rig.session.ResetLog();
        QCOMPARE(t.ListBox1->count(), 0);
        QVERIFY(g.lVal->isHidden());
        QCOMPARE(t.lTime->text(), QStringLiteral("Ti= 00:00:02"));
        QCOMPARE(g.lTime->text(), QStringLiteral("Ti= 00:00:02"));
        rig.session.PortDropped();
        QVERIFY(t.bbLoadTab->isEnabled());
        QVERIFY(t.miLoadTab->isEnabled());
        tech.hide();
    }

    void graphLayoutAndInitialState() {
        test::SessionRig rig;
        ui::TFormGraph g(m_prompts, rig.session);
        QCOMPARE(g.windowTitle(), QStringLiteral("График"));
        QCOMPARE(g.size(), ui::InnerSize(1072, 469));
        QCOMPARE(g.minimumSize(), ui::InnerSize(1050, 200));
        QCOMPARE(g.View, (core::GraphView{.NumPoint = 200,
                                          .LeftMargin = 75,
                                          .BottomMargin = 25,
                                          .wQx = 8,
                                          .wQy = 10,
                                          .bVeiwTP = 0,
                                          .Unit = 0,
                                          .NScaleDB = 2,
                                          .NScalePER = 3,
                                          .NScaleV = 2,
                                          .cBack = 0x000000,
                                          .cMargin = 0x808080,
                                          .cGrid = 0x008000,
                                          .cFont = 0x000000,
                                          .cGrap = 0x00FFFF}));
        QCOMPARE(g.Panel1->size(), QSize(273, 38));
        QVERIFY(!g.lVal->isVisible());
        QCOMPARE(g.lTime->text(), QStringLiteral("Ti= 00:00:00"));
        QVERIFY(g.OverlayAction(0)->isChecked());
        QVERIFY(!g.OverlayButton(10)->isEnabled());
    }

    void graphOverlayItemsInMenuAndToolbarOrder() {
        test::SessionRig rig;
        ui::TFormGraph g(m_prompts, rig.session);
        const QStringList names{"miTP",   "miTP1",  "miTP2",  "miTP3",  "miTP4",  "miTP5", "miTP2A",
                                "miTP2B", "miTP3A", "miTP3B", "miTP5A", "miTP5B", "miTPn"};
        QStringList menu;
        for (QAction* a : g.OverlayAction(0)->actionGroup()->actions())
            menu << a->objectName();
        QCOMPARE(menu, names);
        QCOMPARE(g.OverlayAction(6)->text(), QStringLiteral("Показать ТП2А"));
        QCOMPARE(g.OverlayAction(12)->text(), QStringLiteral("Показать ТП5Б"));
        QCOMPARE(g.OverlayAction(10)->text(), QStringLiteral("Показать шаблон"));
        QCOMPARE(g.OverlayAction(0)->text(), QStringLiteral("Убрать ТП"));
        QCOMPARE(g.OverlayButton(7)->objectName(), QStringLiteral("sbTP2B"));
        QCOMPARE(g.OverlayButton(7)->toolTip(), QStringLiteral("Показать график ТП2Б"));
        QCOMPARE(g.OverlayButton(10)->objectName(), QStringLiteral("sbTMPL"));
        QVERIFY(g.OverlayButton(0) == nullptr);
        QVERIFY(g.OverlayAction(13) == nullptr);
    }

    void graphOverlayChoice() {
        test::SessionRig rig;
        ui::TFormGraph g(m_prompts, rig.session);
        g.Mouse.ShiftTP = 40;
        g.OverlayAction(8)->trigger(); // "Показать ТП3А"
        QCOMPARE(g.View.bVeiwTP, std::int8_t(8));
        QCOMPARE(g.Mouse.ShiftTP, std::int16_t(0));
        QVERIFY(g.OverlayAction(8)->isChecked());
        for (int id = 1; id <= 12; ++id)
            QCOMPARE(g.OverlayButton(id)->isChecked(), id == 8);
        // Releasing the pressed button removes the overlay like "Убрать ТП".
        QTest::mouseClick(g.OverlayButton(8), Qt::LeftButton);
        QCOMPARE(g.View.bVeiwTP, std::int8_t(0));
        QVERIFY(g.OverlayAction(0)->isChecked());
        for (int id = 1; id <= 12; ++id)
            QVERIFY(!g.OverlayButton(id)->isChecked());
        QTest::mouseClick(g.OverlayButton(2), Qt::LeftButton);
        QCOMPARE(g.View.bVeiwTP, std::int8_t(2));
        QVERIFY(g.OverlayAction(2)->isChecked());
    }

    void graphShowingTakesTheScaleOfUnit() {
        test::SessionRig rig;
        ui::TFormGraph g(m_prompts, rig.session);
        g.View.Unit = 2;
        g.View.NScaleV = 2; // at its limit: "Сжать" off
        g.show();
        QVERIFY(g.sbV->isChecked());
        QVERIFY(g.miV->isChecked());
        QVERIFY(g.bbExpY->isEnabled());
        QVERIFY(!g.bbContY->isEnabled());
        QVERIFY(!g.miSizeXContY->isEnabled());
        QTest::mouseClick(g.sbDB, Qt::LeftButton);
        QCOMPARE(g.View.Unit, std::uint8_t(0));
        QVERIFY(g.miDB->isChecked());
        QVERIFY(g.bbContY->isEnabled());
        g.View.NScalePER = 0;
        g.miPER->trigger();
        QCOMPARE(g.View.Unit, std::uint8_t(1));
        QVERIFY(g.sbPER->isChecked());
        QVERIFY(!g.bbExpY->isEnabled());
        g.hide();
    }

    void graphPictureAndReadout() {
        test::SessionRig rig;
        ui::TFormGraph g(m_prompts, rig.session);
        g.View.cBack = 0x00FF0000;   // blue
        g.View.cMargin = 0x000000FF; // red
        g.show();
        g.RedrawGraph();
        const QImage& shown = g.iDisplay->Picture();
        QVERIFY(!shown.isNull());
        QCOMPARE(shown.size(), g.iDisplay->size());
        QCOMPARE(QColor(shown.pixel(g.View.LeftMargin + 10, 5)), QColor(0, 0, 255));
        QCOMPARE(QColor(shown.pixel(5, 5)), QColor(255, 0, 0));
        QVERIFY(!g.lVal->isVisible());
        AddRecord(rig, 4.0f, 0.123f, 1);
        g.RedrawGraph();
        QVERIFY(g.lVal->isVisible());
        QCOMPARE(g.lVal->text(), QStringLiteral("m=0,123 дБ/м"));
        g.sbVClick();
        QCOMPARE(g.lVal->text(), QStringLiteral("U=4,000 В"));
        QCOMPARE(g.lDist->text(), QStringLiteral("Li=1,0 м"));
        g.hide();
    }

    void techPanel() {
        test::SessionRig rig;
        ui::TFormTech tech(rig.session.Status());
        QCOMPARE(tech.windowTitle(), QStringLiteral("Техническая панель"));
        QCOMPARE(tech.size(), QSize(530, 354));
        QCOMPARE(tech.minimumSize(), tech.maximumSize());
        core::BlockStatus emitter;
        emitter.rmsCode = 8191;
        emitter.peakCode = 4096;
        emitter.tempCode = -256;
        emitter.faults = 2;
        emitter.attenuatorStep = 3;
        rig.session.Status().SetEmitter(emitter);
        core::BlockStatus photo;
        photo.kt = 1.25f;
        photo.thirdLevel = 1.01f;
        rig.session.Status().SetPhotodetector(photo);
        tech.UpdateTech();
        QCOMPARE(tech.Left().urmsVolts, 10.0f);
        QCOMPARE(tech.Left().tempCelsius, -1.0f);
        QVERIFY(tech.Left().faulty);
        QCOMPARE(tech.Left().attenuatorStep, 3);
        QCOMPARE(tech.Right().kt, 1.25f);
        QCOMPARE(tech.Right().thirdLevel, 1.01f);
        QVERIFY(!tech.Right().faulty);
    }
};

VELS5_GUI_TEST_MAIN(TstWindows)
#include "tst_windows.moc"
