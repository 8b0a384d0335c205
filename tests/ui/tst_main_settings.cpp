// The settings file through the windows: the round trip of every value, the order in which
// rows are applied, the conversion error, the desktop check and a file that cannot be written.
#include "app_rig.h"
#include "core/common/cp1251.h"
#include "graph_view_text.h"
#include "test_main.h"
#include "ui/common/form_style.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QToolButton>

using test::AppRig;
using test::ConfigHome;
using test::Prompt;

class TstMainSettings : public QObject {
    Q_OBJECT

private:
    // A complete file as the program writes it, with lines replaced or dropped.
    static void WriteFile(const ConfigHome& home, const QStringList& replace = {},
                          const QStringList& drop = {}) {
        QStringList lines{"COM=COM3",
                          "Form1 Top=120",
                          "Form1 Left=130",
                          "Form1 wTimeStep=5",
                          "Form1 fDist=2,5",
                          "FormTabl Visible=false",
                          "FormTabl Top=140",
                          "FormTabl Left=150",
                          "FormTabl Height=300",
                          "FormTabl Width=549",
                          "FormTabl ViewLastLine=true",
                          "FormTabl Delim=|",
                          "FormTabl IsUnit=false",
                          "FormGraph Visible=false",
                          "FormGraph Top=160",
                          "FormGraph Left=170",
                          "FormGraph Height=400",
                          "FormGraph Width=1100",
                          "FormGraph NumPoint=400",
                          "FormGraph LeftMargin=60",
                          "FormGraph BottomMargin=30",
                          "FormGraph wQx=10",
                          "FormGraph wQy=12",
                          "FormGraph bVeiwTP=3",
                          "FormGraph Unit=1",
                          "FormGraph NScaleDB=5",
                          "FormGraph NScalePER=1",
                          "FormGraph NScaleV=0",
                          "FormGraph cBack=0x00FF0000",
                          "FormGraph cMargin=0x00112233",
                          "FormGraph cGrid=0x00445566",
                          "FormGraph cFont=0x00778899",
                          "FormGraph cGrap=0x00AABBCC"};
        for (const QString& r : replace) {
            const QString key = r.section('=', 0, 0) + '=';
            for (QString& line : lines)
                if (line.startsWith(key))
                    line = r;
        }
        for (const QString& d : drop)
            lines.removeIf([&](const QString& l) { return l.startsWith(d + '='); });
        QFile file(home.SettingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        const std::string text = (lines.join("\r\n") + "\r\n").toStdString();
        file.write(QByteArray::fromStdString(core::Utf8ToCp1251(text)));
    }

private slots:
    void roundTripOfEveryValue() {
        ConfigHome home;
        {
            AppRig rig(home);
            ui::TForm1& f = *rig.form1;
            f.move(210, 220);
            f.StoreTimeStep(17);
            f.StoreDist(7.3f);
            rig.tabl->show();
            rig.tabl->move(230, 240);
            rig.tabl->resize(ui::InnerSize(549, 420));
            rig.tabl->SetViewLastLine(true);
            rig.tabl->View.Delim = "§"; // UTF-8
            rig.tabl->View.IsUnit = true;
            ui::TFormGraph& g = *rig.graph;
            g.show();
            g.move(250, 260);
            g.resize(ui::InnerSize(1111, 444));
            g.View.NumPoint = 1600;
            g.View.LeftMargin = 61;
            g.View.BottomMargin = 31;
            g.View.wQx = 10;
            g.View.wQy = 12;
            g.OverlayAction(11)->trigger();
            g.sbVClick();
            g.View.NScaleDB = 7;
            g.View.NScalePER = 4;
            g.View.NScaleV = 1;
            g.View.cBack = 0x00010203;
            g.View.cMargin = 0x00040506;
            g.View.cGrid = 0x00070809;
            g.View.cFont = 0x000A0B0C;
            g.View.cGrap = 0x000D0E0F;
            QVERIFY(f.SaveSettings());
            rig.tabl->hide();
            rig.graph->hide();
        }
        QFile file(home.SettingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("COM=\xC2\xFB\xEA\xEB\r\nForm1 Top=220\r\nForm1 Left=210\r\n"));
        QVERIFY(bytes.contains("\r\nForm1 fDist=7,3\r\n"));
        QVERIFY(bytes.contains("\r\nFormTabl Delim=\xA7\r\n"));
        QVERIFY(bytes.contains("\r\nFormGraph bVeiwTP=11\r\nFormGraph Unit=2\r\n"));
        QVERIFY(bytes.endsWith("\r\nFormGraph cGrap=0x000D0E0F\r\n"));
        QCOMPARE(bytes.count("\r\n"), 33);

        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        f.show();
        QVERIFY(rig.prompts.asked.empty());
        QCOMPARE(f.pos(), QPoint(210, 220));
        QCOMPARE(f.Session().Params().wTimeStep, std::uint16_t(17));
        QCOMPARE(f.Session().Params().fDist, 7.3f);
        QCOMPARE(f.lDist->text(), QStringLiteral("Li=7,3 м"));
        ui::TFormTabl& t = *rig.tabl;
        QVERIFY(t.isVisible());
        QCOMPARE(t.pos(), QPoint(230, 240));
        QCOMPARE(t.size() + ui::kFrameExtra, QSize(549, 420));
        QVERIFY(t.View.ViewLastLine);
        QVERIFY(t.mViewLastLine->isChecked());
        QVERIFY(t.sbLastLine->isChecked());
        QCOMPARE(QString::fromStdString(t.View.Delim), QStringLiteral("§"));
        QVERIFY(t.View.IsUnit);
        ui::TFormGraph& g = *rig.graph;
        QVERIFY(g.isVisible());
        QCOMPARE(g.pos(), QPoint(250, 260));
        QCOMPARE(g.size() + ui::kFrameExtra, QSize(1111, 444));
        // wQy is read back, but every redraw takes it from the scale row in use (volts row 1).
        QCOMPARE(g.View, (core::GraphView{.NumPoint = 1600,
                                          .LeftMargin = 61,
                                          .BottomMargin = 31,
                                          .wQx = 10,
                                          .wQy = 10,
                                          .bVeiwTP = 11,
                                          .Unit = 2,
                                          .NScaleDB = 7,
                                          .NScalePER = 4,
                                          .NScaleV = 1,
                                          .cBack = 0x00010203,
                                          .cMargin = 0x00040506,
                                          .cGrid = 0x00070809,
                                          .cFont = 0x000A0B0C,
                                          .cGrap = 0x000D0E0F}));
        QVERIFY(g.OverlayAction(11)->isChecked());
        QVERIFY(g.OverlayButton(11)->isChecked());
        QVERIFY(g.sbV->isChecked()); // FormShow ran again with the loaded Unit
        g.hide();
        t.hide();
    }

    void autoScaleIsKeptBesideTheSettingsFile() {
        ConfigHome home;
        {
            AppRig rig(home);
            rig.graph->miAutoY->trigger();
            QVERIFY(rig.form1->SaveSettings());
        }
        QFile options(home.dir.path() + QStringLiteral("/vels5/vels5-graph.ini"));
        QVERIFY(options.open(QIODevice::ReadOnly));
        QCOMPARE(options.readAll(), QByteArray("FormGraph AutoY=true\r\n"));
        QFile file(home.SettingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count("\r\n"), 33); // the settings file as documented
        AppRig rig(home);
        rig.form1->show();
        QVERIFY(rig.graph->View.AutoY);
        rig.graph->show();
        QVERIFY(rig.graph->sbAutoY->isChecked());
        rig.graph->hide();
    }

    void withoutAFileNothingChanges() {
        ConfigHome home;
        AppRig rig(home);
        rig.form1->show();
        QCOMPARE(rig.form1->pos(), QPoint(194, 656));
        QCOMPARE(rig.form1->lDist->text(), QStringLiteral("Li=1,0 м"));
        QVERIFY(!rig.tabl->isVisible());
        QVERIFY(rig.prompts.asked.empty());
    }

    void shownTableKeepsItsRestoredFollowMode() {
        ConfigHome home;
        WriteFile(home, {"FormTabl Visible=true", "FormTabl ViewLastLine=true"});
        AppRig rig(home);
        rig.form1->show();
        QVERIFY(rig.tabl->isVisible());
        QVERIFY(rig.tabl->View.ViewLastLine);
        QVERIFY(rig.tabl->sbLastLine->isChecked());
        rig.tabl->hide();
    }

    void overlayActionIsPerformedWhenItsKeyIsRead() {
        ConfigHome home;
        WriteFile(home, {"FormGraph bVeiwTP=3"});
        AppRig rig(home);
        rig.form1->show();
        QCOMPARE(rig.graph->View.bVeiwTP, std::int8_t(3));
        QVERIFY(rig.graph->OverlayAction(3)->isChecked());
        QVERIFY(rig.graph->OverlayButton(3)->isChecked());
    }

    void templateOverlayIsStoredWithoutAnAction() {
        ConfigHome home;
        WriteFile(home, {"FormGraph bVeiwTP=10"});
        AppRig rig(home);
        rig.form1->show();
        QCOMPARE(rig.graph->View.bVeiwTP, std::int8_t(10));
        QVERIFY(rig.graph->OverlayAction(0)->isChecked());
        QVERIFY(!rig.graph->OverlayButton(10)->isChecked());
    }

    void missingGraphKeyEndsLoadingWithOneErrorBox() {
        ConfigHome home;
        WriteFile(home, {"FormTabl Top=9000", "FormGraph cBack=0x00123456"},
                  {"FormGraph NumPoint"});
        AppRig rig(home);
        rig.form1->show();
        QCOMPARE(std::ssize(rig.prompts.asked), 1);
        QCOMPARE(rig.prompts.asked[0].kind, Prompt::Error);
        QCOMPARE(test::Q(rig.prompts.asked[0].caption), QStringLiteral("Monitor VELS5"));
        QCOMPARE(test::Q(rig.prompts.asked[0].text),
                 QStringLiteral("'' is not a valid integer value"));
        ui::TFormGraph& g = *rig.graph;
        QCOMPARE(g.pos(), QPoint(170, 160)); // position and size were applied
        QCOMPARE(g.size() + ui::kFrameExtra, QSize(1100, 400));
        QCOMPARE(g.View.NumPoint, std::int16_t(200)); // the view settings and colours were not
        QCOMPARE(g.View.bVeiwTP, std::int8_t(0));
        QCOMPARE(g.View.cBack, 0x000000u);
        // The rest of the showing is skipped: no "Li=" label, no desktop check.
        QCOMPARE(rig.form1->lDist->text(), QStringLiteral("Li="));
        QCOMPARE(rig.tabl->y(), 9000);
    }

    void distanceWithAPointEndsLoadingBeforeTheTable() {
        ConfigHome home;
        WriteFile(home, {"Form1 fDist=1.5", "FormTabl Visible=true"});
        AppRig rig(home);
        rig.form1->show();
        QCOMPARE(test::Q(rig.prompts.Texts()),
                 QStringList{QStringLiteral("'1.5' is not a valid floating point value")});
        QCOMPARE(rig.form1->Session().Params().wTimeStep, std::uint16_t(5));
        QCOMPARE(rig.form1->Session().Params().fDist, 1.0f);
        QVERIFY(!rig.tabl->isVisible());
    }

    void windowsOffTheDesktopComeBack() {
        ConfigHome home;
        WriteFile(home, {"Form1 Top=5000", "FormTabl Visible=true", "FormTabl Top=5000",
                         "FormTabl Left=9000", "FormGraph Visible=true", "FormGraph Top=-20",
                         "FormGraph Left=8000"});
        AppRig rig(home);
        rig.form1->show();
        // Each comes back wholly onto the screen, the main window too.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        for (const QWidget* w :
             {static_cast<QWidget*>(rig.form1.get()), static_cast<QWidget*>(rig.tabl.get()),
              static_cast<QWidget*>(rig.graph.get())})
            QVERIFY(screen.contains(QRect(w->pos(), w->size() + ui::kFrameExtra)));
        QVERIFY(rig.tabl->isVisible() && rig.graph->isVisible());
        QCOMPARE(rig.tabl->pos(), QPoint(screen.right() + 1 - 549, screen.bottom() + 1 - 300));
        QCOMPARE(rig.graph->pos(), QPoint(screen.right() + 1 - 1100, screen.top()));
        QCOMPARE(rig.form1->y(), screen.bottom() + 1 - 292);
    }

    void unwritableSettingsFileKeepsTheWindowOpen() {
        ConfigHome home;
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        f.show();
        QSignalSpy closed(&f, &ui::TForm1::Closed);
        QVERIFY(QDir().mkpath(home.SettingsFile())); // a folder where the file should go
        QVERIFY(!f.close());
        QVERIFY(f.isVisible());
        QCOMPARE(closed.count(), 0);
        QCOMPARE(std::ssize(rig.prompts.asked), 1);
        QCOMPARE(rig.prompts.asked[0].kind, Prompt::Error);
        QCOMPARE(test::Q(rig.prompts.asked[0].text), QStringLiteral("Cannot create file ") +
                                                         home.SettingsFile() +
                                                         QStringLiteral("\nIs a directory"));
        QVERIFY(QDir().rmdir(home.SettingsFile()));
        QVERIFY(f.close());
        QCOMPARE(closed.count(), 1);
        QVERIFY(QFile::exists(home.SettingsFile()));
    }

    void exitThroughTheMenuOffersToSaveTheLog() {
        ConfigHome home;
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        f.show();
        core::RecordLog& log = f.Session().Log();
        log[0] = core::MeasurementRecord{4.5f, 0.1f, 0, 46023.5};
        log.SetCount(1);
        QSignalSpy closed(&f, &ui::TForm1::Closed);
        rig.prompts.answers.push_back(core::PromptAnswer::Cancel);
        f.N10->trigger();
        QVERIFY(f.isVisible());
        QCOMPARE(closed.count(), 0);
        rig.prompts.answers.push_back(core::PromptAnswer::No);
        f.N10->trigger();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(test::Q(rig.prompts.Texts()),
                 (QStringList{"Сохранить данные?", "Сохранить данные?"}));
    }

    void closingTheWindowOtherwiseAlsoOffersToSaveTheLog() {
        ConfigHome home;
        AppRig rig(home);
        ui::TForm1& f = *rig.form1;
        f.show();
        QSignalSpy closed(&f, &ui::TForm1::Closed);
        QVERIFY(f.close()); // an empty log: nothing to ask
        QVERIFY(rig.prompts.asked.empty());

        AppRig other(home);
        ui::TForm1& g = *other.form1;
        g.show();
        core::RecordLog& log = g.Session().Log();
        log[0] = core::MeasurementRecord{4.5f, 0.1f, 0, 46023.5};
        log.SetCount(1);
        QSignalSpy otherClosed(&g, &ui::TForm1::Closed);
        other.prompts.answers.push_back(core::PromptAnswer::Cancel);
        QVERIFY(!g.close()); // the title bar's close button, for instance
        QVERIFY(g.isVisible());
        QCOMPARE(log.Count(), 1);
        other.prompts.answers.push_back(core::PromptAnswer::No);
        QVERIFY(g.close());
        QCOMPARE(otherClosed.count(), 1);
        QCOMPARE(test::Q(other.prompts.Texts()),
                 (QStringList{"Сохранить данные?", "Сохранить данные?"}));
    }
};

// A 1920 x 1080 screen: the main window's first position and every position stored here lie
// wholly on it, so they come back exactly.
VELS5_GUI_TEST_MAIN_ON_SCREEN(TstMainSettings, 1920, 1080)
#include "tst_main_settings.moc"
