// The monitor program: the seven windows, created in their documented order, and the event
// loop. Closing the main window ends the program.
#include "comm/port_map.h"
#include "ui/dialogs/form_about.h"
#include "ui/dialogs/form_dist.h"
#include "ui/dialogs/form_time.h"
#include "ui/graph/form_graph.h"
#include "ui/main/form1.h"
#include "ui/main/wall_clock.h"
#include "ui/prompts/qt_prompts.h"
#include "ui/table/form_tabl.h"
#include "ui/tech/form_tech.h"
#include "vels5_version.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Monitor VELS5"));
    QApplication::setApplicationVersion(QStringLiteral(VELS5_VERSION));
    // The other windows stay open until the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    ui::QtPrompts prompts;
    ui::WallClock clock;
    ui::TForm1 form1(prompts, clock, comm::PortMap());
    const core::MeasurementSession& session = form1.Session();
    ui::TFormTabl formTabl(prompts, form1.Session());
    ui::TFormGraph formGraph(prompts, session);
    ui::TFormDist formDist(
        prompts, [&form1](float metres) { form1.StoreDist(metres); }, &form1);
    ui::TFormAbout formAbout(QStringLiteral(VELS5_VERSION), &form1);
    ui::TFormTime formTime(
        prompts, [&form1](std::uint16_t seconds) { form1.StoreTimeStep(seconds); }, &form1);
    ui::TFormTech formTech(session.Status());
    form1.SetWindows({&formTabl, &formGraph, &formDist, &formAbout, &formTime, &formTech});

    QObject::connect(&form1, &ui::TForm1::Closed, &app, &QApplication::quit);
    form1.show();
    return QApplication::exec();
}
