// The monitor program: the seven windows, created in their fixed order, and the event
// loop. Closing the main window ends the program.
#include "comm/port_map.h"
#include "ui/common/application.h"
#include "ui/common/translations.h"
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
#include <cstdio>
#include <cstdlib>

namespace {

// Qt ends a program that finds no display with an abort that suggests reinstalling it.
bool HasGraphicalSession() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (!HasGraphicalSession()) {
        std::fputs("vels5: no graphical session: DISPLAY and WAYLAND_DISPLAY are not set.\n"
                   "The monitor is a desktop program; start it from a terminal of the desktop,\n"
                   "or under a virtual display: xvfb-run -a vels5\n",
                   stderr);
        return 1;
    }
    ui::Application app(argc, argv);
    if (!ui::InstallQtTranslations(app))
        std::fputs("vels5: Qt's Russian translations are missing (qt6-translations-l10n): "
                   "standard buttons stay English\n",
                   stderr);
    QApplication::setApplicationName(QStringLiteral("Monitor VELS5"));
    QApplication::setApplicationVersion(QStringLiteral(VELS5_VERSION));
    // The other windows stay open until the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    ui::QtPrompts prompts;
    app.SetPrompts(&prompts);
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
    const int status = QApplication::exec();
    app.SetPrompts(nullptr);
    return status;
}
