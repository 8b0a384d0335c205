// The main window at start: every control, the port popup, window toggles, dialogs, help.
#include "app_rig.h"
#include "test_main.h"
#include "ui/common/form_style.h"
#include "ui/main/cursors.h"
#include "ui/main/indicators.h"
#include "vels5_version.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using test::AppRig;
using test::ConfigHome;

class TstMainWindow : public QObject {
    Q_OBJECT

private:
    static QStringList MenuTexts(const QMenu* menu) {
        QStringList texts;
        for (const QAction* a : menu->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return texts;
    }

    // Runs `answer` once the next modal dialog has opened.
    static void WhenModal(std::function<void(QWidget*)> answer) {
        QTimer::singleShot(0, [answer] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            answer(modal);
        });
    }

private slots:
    void startUpState() {
        ConfigHome home;
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        QCOMPARE(f.windowTitle(), QStringLiteral("ВЕЛС5  v") + QStringLiteral(VELS5_VERSION));
        QCOMPARE(f.size(), ui::InnerSize(466, 292));
        QCOMPARE(f.minimumSize(), f.maximumSize());
        QCOMPARE(f.pos(), QPoint(194, 656));
        QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(f.ToolBar1->height(), 41);
        const std::tuple<QToolButton*, const char*, const char*, bool> buttons[] = {
            {f.bbEnRec, "bbEnRec", "Запретить запись", false},
            {f.bbTablhForm, "bbTablhForm", "Показать таблицу", true},
            {f.bbGraphForm, "bbGraphForm", "Показать график", true},
            {f.bbRestart, "bbRestart", "Перезапустить измерение", false}};
        for (const auto& [button, name, hint, enabled] : buttons) {
            QCOMPARE(button->objectName(), QString::fromLatin1(name));
            QCOMPARE(button->toolTip(), QString::fromUtf8(hint));
            QCOMPARE(button->size(), QSize(36, 38));
            QCOMPARE(button->isEnabled(), enabled);
        }
        QVERIFY(f.bbEnRec->isCheckable());
        QCOMPARE(f.lTime->text(), QStringLiteral("Ti= 00:00:00"));
        QCOMPARE(f.lTime->x(), 4);
        QCOMPARE(f.lDist->text(), QStringLiteral("Li="));
        QCOMPARE(f.lDist->x(), 132);
        QCOMPARE(f.lDist->font().pixelSize(), 16);
        QVERIFY(f.lDist->font().bold());
        QCOMPARE(f.StatusPanel0->text(), QStringLiteral("Выкл"));
        QCOMPARE(f.StatusPanel0->width(), 50);
        QCOMPARE(f.StatusPanel1->width(), 50);
        QVERIFY(!f.Timer1->isActive());
        QVERIFY(!f.Timer2->isActive());
        QCOMPARE(f.Timer1->interval(), 300);
        QCOMPARE(f.Timer2->interval(), 5000);
        QVERIFY(rig.tabl->bbLoadTab->isEnabled());
        QVERIFY(!rig.tabl->isVisible());
        QVERIFY(!rig.graph->isVisible());
    }

    void menus() {
        ConfigHome home;
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        const QList<QAction*> top = f.menuBar()->actions();
        QCOMPARE(top.size(), 4);
        QCOMPARE(top[0]->text(), QStringLiteral("Управление"));
        QCOMPARE(MenuTexts(top[0]->menu()), (QStringList{"Запретить запись", "Выход"}));
        QCOMPARE(MenuTexts(top[1]->menu()), (QStringList{"Таблица", "График", "Испытание"}));
        QCOMPARE(f.mTest->objectName(), QStringLiteral("mTest"));
        f.mTest->trigger();
        QVERIFY(rig.test->isVisible());
        f.mTest->trigger();
        QVERIFY(!rig.test->isVisible());
        QCOMPARE(MenuTexts(top[2]->menu()),
                 (QStringList{"Дистанция", "Период опроса", "-", "Панель"}));
        QCOMPARE(MenuTexts(top[3]->menu()), (QStringList{"Справка", "О программе"}));
        QCOMPARE(f.miLink->objectName(), QStringLiteral("miLink"));
        QVERIFY(!f.miLink->isEnabled());
        QCOMPARE(f.N10->objectName(), QStringLiteral("N10"));
        QCOMPARE(f.miTechPan->objectName(), QStringLiteral("miTechPan"));
        QVERIFY(f.miTechPan->isCheckable());
        QCOMPARE(f.N24->objectName(), QStringLiteral("N24"));
        QCOMPARE(f.N25->objectName(), QStringLiteral("N25"));
    }

    void modePanelsAtStart() {
        ConfigHome home;
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        f.show();
        QVERIFY(f.pStart->isVisible());
        for (QWidget* p : {f.pAdjust, f.pStab, f.pWork, f.pError})
            QVERIFY(!p->isVisible());
        for (QWidget* p : {f.pStart, f.pAdjust, f.pStab, f.pWork, f.pError}) {
            QCOMPARE(p->geometry(), f.centralWidget()->rect());
            QCOMPARE(p->palette().color(QPalette::Window), QColor(192, 192, 192));
        }
        // pStart lies in front of the others, pError at the back.
        const QObjectList order = f.centralWidget()->children();
        QCOMPARE(order.indexOf(f.pError), 0);
        QCOMPARE(order.indexOf(f.pStart), 4);
        const int centre = f.pStart->width() / 2;
        const std::tuple<QLabel*, const char*, int, int> labels[] = {
            {f.lStart, "Старт", 64, 37},
            {f.lMode, "Юстировка", 24, 24},
            {f.lUa, "0,000В", 56, 37},
            {f.lStab, "Стабилизация", 40, 37},
            {f.lStabTime, "30:00", 88, 37},
            {f.lUo, "Uo=4,985В", 16, 37},
            {f.lUi, "Ui=0,000В", 64, 37},
            {f.lDi, "Di=0,000дБ/м", 112, 37},
            {f.lErMode, "", 16, 37},
            {f.lErBI, "Неисправен блок излучателя", 64, 24},
            {f.lErBF, "Неисправен блок фотоприемника", 104, 24}};
        for (const auto& [label, text, y, pixels] : labels) {
            QCOMPARE(label->text(), QString::fromUtf8(text));
            QCOMPARE(label->y(), y);
            QCOMPARE(label->font().pixelSize(), pixels);
            QVERIFY(label->font().bold());
            QCOMPARE(label->x(), centre - label->width() / 2);
            QVERIFY2(label->width() <= f.pStart->width(), qPrintable(label->text()));
        }
        // The indicator: squares centred at y 104, triangles 4 pixels beside them.
        const int squareX = centre - 24;
        QCOMPARE(f.iSQ1->pos(), QPoint(squareX, 104));
        QCOMPARE(f.iSQ3->pos(), QPoint(squareX, 104));
        QCOMPARE(f.iTrL1->pos(), QPoint(squareX - 52, 104));
        QCOMPARE(f.iTrR3->pos(), QPoint(squareX + 52, 104));
        QVERIFY(!f.iSQ1->isHidden());
        QVERIFY(f.iSQ3->isHidden());
        f.hide();
    }

    void indicatorPictures() {
        const QList<ui::IndicatorShape> shapes{ui::IndicatorShape::Square,
                                               ui::IndicatorShape::LeftTriangle,
                                               ui::IndicatorShape::RightTriangle};
        for (ui::IndicatorShape shape : shapes) {
            const QImage outline = ui::IndicatorPicture(shape, false).toImage();
            const QImage filled = ui::IndicatorPicture(shape, true).toImage();
            QCOMPARE(outline.size(), QSize(48, 48));
            QCOMPARE(filled.size(), QSize(48, 48));
            int outlineInk = 0, filledInk = 0;
            for (int y = 0; y < 48; ++y) {
                for (int x = 0; x < 48; ++x) {
                    for (const QImage* image : {&outline, &filled}) {
                        const QRgb p = image->pixel(x, y);
                        // Monochrome: black or fully transparent, nothing in between.
                        QVERIFY(qAlpha(p) == 0 || p == qRgb(0, 0, 0));
                    }
                    outlineInk += qAlpha(outline.pixel(x, y)) != 0;
                    filledInk += qAlpha(filled.pixel(x, y)) != 0;
                }
            }
            QVERIFY(outlineInk > 100);
            QVERIFY(filledInk > 2 * outlineInk);
            QCOMPARE(qAlpha(outline.pixel(24, 24)), 0); // the outline is hollow
            QVERIFY(qAlpha(filled.pixel(24, 24)) != 0);
        }
        // The two triangles point opposite ways.
        const QImage left = ui::IndicatorPicture(ui::IndicatorShape::LeftTriangle, true).toImage();
        QCOMPARE(left.mirrored(true, false),
                 ui::IndicatorPicture(ui::IndicatorShape::RightTriangle, true).toImage());
    }

    void handCursors() {
        ConfigHome home;
        AppRig rig(home);
        QCOMPARE(ui::AppCursor(ui::kCursorOpenHand).shape(), Qt::OpenHandCursor);
        QCOMPARE(ui::AppCursor(ui::kCursorClosedHand).shape(), Qt::ClosedHandCursor);
        QCOMPARE(ui::AppCursor(7).shape(), Qt::ArrowCursor);
    }

    void portPopupFromThePortMap() {
        ConfigHome home;
        comm::PortMap map = home.Map();
        QVERIFY(map.RegisterAs(home.Device(QStringLiteral("tty12")), 12));
        QVERIFY(map.RegisterAs(home.Device(QStringLiteral("tty1")), 1));
        QVERIFY(map.RegisterAs(home.Device(QStringLiteral("tty3")), 3));
        QVERIFY(map.RegisterAs(home.dir.path().toStdString() + "/unplugged", 4));
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        QCOMPARE(MenuTexts(f.pmTx),
                 (QStringList{"COM1", "COM3", "COM12", "-", "-", "Выкл", "Обновить"}));
        // Both separators take room when the popup is shown: none is collapsed into the other.
        const QList<QAction*> items = f.pmTx->actions();
        const int separator = items.indexOf(f.TxOff) - 2;
        QVERIFY(items[separator]->isSeparator() && items[separator + 1]->isSeparator());
        const QRect first = f.pmTx->actionGeometry(items[separator]);
        const QRect second = f.pmTx->actionGeometry(items[separator + 1]);
        QVERIFY(first.height() > 0);
        QVERIFY(second.height() > 0);
        QVERIFY(second.top() >= first.bottom());
        QCOMPARE(f.PortItem(12)->objectName(), QStringLiteral("Port12"));
        QCOMPARE(f.PortItem(3)->data().toInt(), 3);
        QCOMPARE(f.TxOff->objectName(), QStringLiteral("TxOff"));
        QCOMPARE(f.TxOff->data().toInt(), -1);
        QCOMPARE(f.Update1->data().toInt(), -2);
        QVERIFY(f.TxOff->isChecked());
        for (QAction* a : {f.PortItem(1), f.PortItem(3), f.PortItem(12), f.TxOff}) {
            QVERIFY(a->isCheckable());
            QCOMPARE(a->actionGroup(), f.TxOff->actionGroup());
        }
        // "Обновить" picks up a port added meanwhile and one whose device came back.
        QVERIFY(map.RegisterAs(home.Device(QStringLiteral("tty2")), 2));
        home.Device(QStringLiteral("unplugged"));
        f.Update1->trigger();
        QCOMPARE(MenuTexts(f.pmTx), (QStringList{"COM1", "COM2", "COM3", "COM4", "COM12", "-", "-",
                                                 "Выкл", "Обновить"}));
        QVERIFY(f.TxOff->isChecked());
        QVERIFY(!f.TxOff->isEnabled());
    }

    void popupOpensOnlyLeftOfForty() {
        ConfigHome home;
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        f.show();
        f.move(100, 100); // so that the popup fits on the screen where it is put
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const int y = f.StatusBar1->height() / 2;
        QTest::mouseClick(f.StatusBar1, Qt::LeftButton, {}, QPoint(40, y));
        QVERIFY(!f.pmTx->isVisible());
        QTest::mouseClick(f.StatusBar1, Qt::LeftButton, {}, QPoint(39, y));
        QVERIFY(f.pmTx->isVisible());
        QCOMPARE(f.pmTx->pos(), QPoint(f.x() + 45, f.y() + f.frameGeometry().height() - 40));
        f.pmTx->hide();
        f.hide();
    }

    void windowToggles() {
        ConfigHome home;
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        QTest::mouseClick(f.bbTablhForm, Qt::LeftButton);
        QVERIFY(rig.tabl->isVisible());
        QTest::mouseClick(f.bbTablhForm, Qt::LeftButton);
        QVERIFY(!rig.tabl->isVisible());
        QTest::mouseClick(f.bbGraphForm, Qt::LeftButton);
        QVERIFY(rig.graph->isVisible());
        f.mGraph->trigger(); // the "Окна" items mirror the buttons
        QVERIFY(!rig.graph->isVisible());
        f.miTechPan->trigger();
        QVERIFY(rig.tech->isVisible());
        QVERIFY(f.miTechPan->isChecked());
        f.miTechPan->trigger();
        QVERIFY(!rig.tech->isVisible());
        QVERIFY(!f.miTechPan->isChecked());
        // Closed by its own title-bar button, the panel takes the menu's check mark along.
        f.miTechPan->trigger();
        QVERIFY(f.miTechPan->isChecked());
        rig.tech->close();
        QVERIFY(!f.miTechPan->isChecked());
        f.miTechPan->trigger();
        QVERIFY(rig.tech->isVisible());
    }

    void distanceDialogCancelledRewritesTheLabelsOnly() {
        ConfigHome home;
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        f.move(100, 100); // the dialog fits on the screen where it is put
        f.Session().Params().fDist = 2.5f;
        QString preset;
        QPoint placed;
        WhenModal([&](QWidget* modal) {
            preset = rig.dist->eDist->text();
            placed = modal->pos();
            modal->close();
        });
        f.miDist->trigger();
        QCOMPARE(preset, QStringLiteral("2,5"));
        QCOMPARE(placed.x(), f.x() + f.frameGeometry().width() / 2 - 175 / 2);
        // The offscreen platform settles a 2-pixel frame when a window is first created.
        QVERIFY(qAbs(placed.y() - (f.y() + 50)) <= 2);
        QCOMPARE(f.Session().Params().fDist, 2.5f);
        QCOMPARE(f.lDist->text(), QStringLiteral("Li=2,5 м"));
        QCOMPARE(rig.graph->lDist->text(), QStringLiteral("Li=2,5 м"));
        QCOMPARE(rig.tabl->lDist->text(), QStringLiteral("Li=2,5 м"));
        QVERIFY(rig.prompts.asked.empty());
    }

    void distanceAcceptedStoresAndRestarts() {
        ConfigHome home;
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        WhenModal([&](QWidget*) {
            rig.dist->eDist->setText(QStringLiteral("3,5"));
            QTest::mouseClick(rig.dist->bOk, Qt::LeftButton);
        });
        f.miDist->trigger();
        QCOMPARE(f.Session().Params().fDist, 3.5f);
        QCOMPARE(f.lDist->text(), QStringLiteral("Li=3,5 м"));
        QCOMPARE(f.lTime->text(), QStringLiteral("Ti= 00:00:00"));
    }

    void periodDialogPresetAndStore() {
        ConfigHome home;
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        f.Session().Params().wTimeStep = 7;
        QString preset;
        WhenModal([&](QWidget*) {
            preset = rig.time->ePeriod->text();
            rig.time->ePeriod->setText(QStringLiteral("12"));
            QTest::keyClick(rig.time->ePeriod, Qt::Key_Return);
        });
        f.miTimeStep->trigger();
        QCOMPARE(preset, QStringLiteral("7"));
        QCOMPARE(f.Session().Params().wTimeStep, std::uint16_t(12));
    }

    void aboutBoxIsPlacedAndShown() {
        ConfigHome home;
        AppRig rig(home);
        bool shown = false;
        rig.form1->move(100, 100);
        WhenModal([&](QWidget* modal) {
            shown = modal == rig.about.get();
            QTest::mouseClick(rig.about->Button1, Qt::LeftButton);
        });
        rig.form1->N25->trigger();
        QVERIFY(shown);
        QVERIFY(qAbs(rig.about->y() - (rig.form1->y() + 50)) <= 2);
    }
};

VELS5_GUI_TEST_MAIN(TstMainWindow)
#include "tst_main_window.moc"
