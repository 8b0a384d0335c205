// The monitor program: the seven windows, created in their fixed order, and the event
// loop. Closing the main window ends the program.
#include "comm/port_map.h"
#include "ui/common/application.h"
#include "ui/common/program_version.h"
#include "ui/common/translations.h"
#include "ui/dialogs/form_about.h"
#include "ui/dialogs/form_dist.h"
#include "ui/dialogs/form_time.h"
#include "ui/fire/form_test.h"
#include "ui/graph/form_graph.h"
#include "ui/main/form1.h"
#include "ui/main/session_signals.h"
#include "ui/main/wall_clock.h"
#include "ui/prompts/qt_prompts.h"
#include "ui/table/form_tabl.h"
#include "ui/tech/form_tech.h"
#include "vels5_version.h"

#include <QApplication>
#include <QRegularExpression>
#include <cstdio>
#include <cstdlib>

namespace {

// Qt ends a program that finds no display with an abort that suggests reinstalling it.
// Windows always has one.
bool HasGraphicalSession() {
#ifdef _WIN32
    return true;
#endif
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

// "--port COMn" (or "--port=COMn"): the port opened once the main window is shown, as
// choosing COMn from the port popup does. 0 without the option, -1 when it is malformed.
int PortFromArguments(const QStringList& args) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        QString value;
        if (args[i] == QLatin1String("--port") && i + 1 < args.size())
            value = args[i + 1];
        else if (args[i].startsWith(QLatin1String("--port=")))
            value = args[i].mid(7);
        else if (args[i] == QLatin1String("--port"))
            return -1;
        else
            continue;
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^COM([1-9][0-9]{0,2})$")).match(value);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }
    return 0;
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
    const int port = PortFromArguments(QApplication::arguments());
    if (port < 0) {
        std::fputs("vels5: --port expects a port name COM1 to COM999\n", stderr);
        return 2;
    }
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
    ui::TFormAbout formAbout(ui::ProgramVersion(), &form1);
    ui::TFormTime formTime(
        prompts, [&form1](std::uint16_t seconds) { form1.StoreTimeStep(seconds); }, &form1);
    ui::TFormTech formTech(session.Status());
    ui::TFormTest formTest(form1.Session());
    // The windows follow the session in the order they were made.
    formTabl.Follow(form1.Signals());
    formGraph.Follow(form1.Signals());
    formTech.Follow(form1.Signals());
    formTest.Follow(form1.Signals());
    form1.SetWindows(
        {&formTabl, &formGraph, &formDist, &formAbout, &formTime, &formTech, &formTest});

    QObject::connect(&form1, &ui::TForm1::Closed, &app, &QApplication::quit);
    form1.SetStartPort(port);
    form1.show();
    const int status = QApplication::exec();
    app.SetPrompts(nullptr);
    return status;
}
