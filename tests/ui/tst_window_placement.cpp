// Windows open wholly on the screen: on a 1366 x 768 laptop screen the main window's first
// position and stored positions off the screen are moved just enough; a position already on
// the screen stays exactly.
#include "app_rig.h"
#include "test_main.h"
#include "ui/common/form_style.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

using test::AppRig;
using test::ConfigHome;

namespace {

void WriteSettings(const ConfigHome& home, const QStringList& lines) {
    QDir().mkpath(QFileInfo(home.SettingsFile()).absolutePath());
    QFile file(home.SettingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
}

QRect Outer(const QWidget* w) {
    return QRect(w->pos(), w->size() + ui::kFrameExtra);
}

} // namespace

class TstWindowPlacement : public QObject {
    Q_OBJECT

private slots:
    void theScreenIsALaptopsScreen() {
        QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1366, 768));
    }

    void theFirstPositionKeepsTheStatusBarOnTheScreen() {
        ConfigHome home;
        AppRig rig(home);
        rig.form1->show();
        // 194, 656 would put the lower 180 pixels, the status bar among them, below the edge.
        QCOMPARE(rig.form1->pos(), QPoint(194, 768 - 292));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(Outer(rig.form1.get())));
        const QPoint bar = rig.form1->StatusBar1->mapTo(rig.form1.get(), QPoint(0, 0));
        QVERIFY(rig.form1->y() + bar.y() + rig.form1->StatusBar1->height() < screen.bottom());
    }

    void storedPositionsOffTheScreenComeBackWhole() {
        ConfigHome home;
        WriteSettings(home, {"Form1 Top=5000", "Form1 Left=-300", "FormTabl Visible=true",
                             "FormTabl Top=700", "FormTabl Left=1000", "FormGraph Visible=true",
                             "FormGraph Top=-20", "FormGraph Left=8000"});
        AppRig rig(home);
        rig.form1->show();
        QCOMPARE(rig.form1->pos(), QPoint(0, 768 - 292));
        QCOMPARE(rig.tabl->pos(), QPoint(1366 - 549, 768 - 358));
        QCOMPARE(rig.graph->y(), 0);
        QCOMPARE(rig.graph->x() + rig.graph->width() + ui::kFrameExtra.width(), 1366);
        // What is written back at exit is where the windows are now.
        QVERIFY(rig.form1->close());
        QFile file(home.SettingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY(written.contains("Form1 Top=476\r\nForm1 Left=0\r\n"));
        QVERIFY(written.contains("FormTabl Top=410\r\nFormTabl Left=817\r\n"));
        QCOMPARE(written.count("\r\n"), 33);
    }

    void aPositionOnTheScreenStaysExactly() {
        ConfigHome home;
        WriteSettings(home, {"Form1 Top=3", "Form1 Left=900", "FormTabl Visible=true",
                             "FormTabl Top=410", "FormTabl Left=817"});
        AppRig rig(home);
        rig.form1->show();
        QCOMPARE(rig.form1->pos(), QPoint(900, 3));
        QCOMPARE(rig.tabl->pos(), QPoint(817, 410));
    }

    void otherWindowsToo() {
        ConfigHome home;
        AppRig rig(home);
        rig.form1->show();
        // The technical panel moved partly off the screen comes back when it is shown.
        rig.tech->move(1200, 600);
        rig.form1->miTechPan->trigger();
        QVERIFY(rig.tech->isVisible());
        QCOMPARE(rig.tech->pos(), QPoint(1366 - 538, 768 - 388));
        // So does the table window shown from the toolbar.
        rig.tabl->move(-100, 700);
        rig.form1->bbTablhForm->click();
        QVERIFY(rig.tabl->isVisible());
        QCOMPARE(rig.tabl->pos(), QPoint(0, 768 - 358));
    }
};

// A 1366 x 768 laptop screen.
VELS5_GUI_TEST_MAIN_ON_SCREEN(TstWindowPlacement, 1366, 768)
#include "tst_window_placement.moc"
