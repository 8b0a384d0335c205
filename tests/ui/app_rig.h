// The program's seven windows as app/main.cpp creates them, with scripted prompts, a manual
// clock and a port map in a temporary folder (no scan of the machine's serial devices); with
// a folder for files or a pseudo-terminal that plays the meter.
#pragma once

#include "comm/port_map.h"
#include "comm/va_comm.h"
#include "core/common/clock.h"
#include "core/common/date_time.h"
#include "pty_device.h"
#include "tests/common/fake_prompts.h"
#include "tests/common/status_frame.h"
#include "ui/dialogs/form_about.h"
#include "ui/dialogs/form_dist.h"
#include "ui/dialogs/form_time.h"
#include "ui/fire/form_test.h"
#include "ui/graph/form_graph.h"
#include "ui/main/form1.h"
#include "ui/main/session_signals.h"
#include "ui/table/form_tabl.h"
#include "ui/tech/form_tech.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace test {

/// A temporary XDG_CONFIG_HOME with an empty port map and empty fake sysfs and by-id trees,
/// and XDG_DATA_HOME in it (the journal). Construct before the windows: the settings path and
/// the journal folder are fixed when the main window is made.
struct ConfigHome {
    QTemporaryDir dir;
    ConfigHome() {
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", DataHome().toLocal8Bit());
        QDir(dir.path()).mkpath(QStringLiteral("vels5/ports"));
        QDir(dir.path()).mkpath(QStringLiteral("sys"));
        QDir(dir.path()).mkpath(QStringLiteral("by-id"));
    }
    std::string MapDir() const {
        return (dir.path() + QStringLiteral("/vels5/ports")).toStdString();
    }
    comm::PortMap Map() const {
        return comm::PortMap(MapDir(), (dir.path() + QStringLiteral("/sys")).toStdString(),
                             (dir.path() + QStringLiteral("/by-id")).toStdString());
    }
    QString SettingsFile() const { return dir.path() + QStringLiteral("/vels5/vels5.ini"); }
    /// An empty file in the folder that stands for a serial device behind a port-map entry
    /// (the popup offers only entries whose device is present); its path.
    std::string Device(const QString& name) const {
        const QString path = dir.path() + QLatin1Char('/') + name;
        QFile(path).open(QIODevice::WriteOnly);
        return path.toStdString();
    }
    QString DataHome() const { return dir.path() + QStringLiteral("/data"); }
    QString JournalDir() const { return DataHome() + QStringLiteral("/vels5/journal"); }
};

/// The seven windows as app/main.cpp creates them, with scripted prompts and a clock of type
/// `Clock` built from `clockArgs`. Destroys them in the program's order after closing the port.
template <typename Clock>
struct WindowsRig {
    FakePrompts prompts;
    Clock clock;
    std::unique_ptr<ui::TForm1> form1;
    std::unique_ptr<ui::TFormTabl> tabl;
    std::unique_ptr<ui::TFormGraph> graph;
    std::unique_ptr<ui::TFormDist> dist;
    std::unique_ptr<ui::TFormAbout> about;
    std::unique_ptr<ui::TFormTime> time;
    std::unique_ptr<ui::TFormTech> tech;
    std::unique_ptr<ui::TFormTest> test;

    template <typename... ClockArgs>
    explicit WindowsRig(const ConfigHome& home, ClockArgs&&... clockArgs)
        : clock(std::forward<ClockArgs>(clockArgs)...) {
        form1 = std::make_unique<ui::TForm1>(prompts, clock, home.Map());
        const core::MeasurementSession& session = form1->Session();
        tabl = std::make_unique<ui::TFormTabl>(prompts, form1->Session());
        graph = std::make_unique<ui::TFormGraph>(prompts, session);
        ui::TForm1* f = form1.get();
        dist = std::make_unique<ui::TFormDist>(
            prompts, [f](float metres) { f->StoreDist(metres); }, f);
        about = std::make_unique<ui::TFormAbout>(QStringLiteral("1.0.0.0"), f);
        time = std::make_unique<ui::TFormTime>(
            prompts, [f](std::uint16_t seconds) { f->StoreTimeStep(seconds); }, f);
        tech = std::make_unique<ui::TFormTech>(session.Status());
        test = std::make_unique<ui::TFormTest>(form1->Session());
        tabl->Follow(form1->Signals());
        graph->Follow(form1->Signals());
        tech->Follow(form1->Signals());
        test->Follow(form1->Signals());
        form1->SetWindows(
            {tabl.get(), graph.get(), dist.get(), about.get(), time.get(), tech.get(), test.get()});
    }
    ~WindowsRig() { DestroyWindows(); }
    /// Closes the port and destroys the windows in the program's order, unless done already
    /// (what else the rig holds stays).
    void DestroyWindows() {
        if (!form1)
            return;
        form1->Comm().Close();
        test.reset();
        tech.reset();
        time.reset();
        about.reset();
        dist.reset();
        graph.reset();
        tabl.reset();
        form1.reset();
    }
    WindowsRig(const WindowsRig&) = delete;
    WindowsRig& operator=(const WindowsRig&) = delete;
};

/// The windows on a manual clock that starts at 2026-01-01 12:00:00.
struct AppRig : WindowsRig<core::ManualClock> {
    explicit AppRig(const ConfigHome& home)
        : WindowsRig(home, core::EncodeDateTime({2026, 1, 1, 12, 0, 0, 0})) {}
};

/// Waits until the session has taken `frames` valid frames since its watchdog had `before`
/// starts: every valid frame re-arms the watchdog (a mode change once more), so the start count
/// tells. The timeout only bounds a failing test.
inline void WaitForFrames(ui::TForm1& form, std::uint32_t before, std::uint32_t frames = 1) {
    QTRY_VERIFY_WITH_TIMEOUT(form.Session().Timer2().starts >= before + frames, 20000);
}

/// Writes `bytes` to the meter's side of `pty` and waits until the session has taken `frames`
/// frames from them.
inline void FeedFrames(ui::TForm1& form, PtyDevice& pty, const std::vector<std::uint8_t>& bytes,
                       std::uint32_t frames = 1) {
    const std::uint32_t before = form.Session().Timer2().starts;
    pty.Write(bytes);
    WaitForFrames(form, before, frames);
}

/// The home as a base, so that it is made before the windows and outlives them.
struct HomeBase {
    ConfigHome home;
};

/// The file's bytes; "<unreadable>" when it cannot be read.
inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

/// Replaces the file with `bytes`.
inline void WriteBytes(const QString& path, const std::string& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

/// The windows and a fresh folder for the files a test saves and loads.
struct FilesRig : HomeBase, AppRig {
    QTemporaryDir dir;
    FilesRig() : AppRig(home) {}
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

/// The COM number the meter's pseudo-terminal is registered as.
inline constexpr int kMeterCom = 12;

/// A pseudo-terminal registered in the home's port map as COM12 before the windows read it.
struct MeterBase {
    PtyDevice pty;
    /// False when the pseudo-terminal or its port-map entry could not be made.
    const bool registered;
    explicit MeterBase(const ConfigHome& home)
        : registered(pty.Ok() && home.Map().RegisterAs(pty.SlavePath(), kMeterCom)) {}
};

/// The windows with a pseudo-terminal on COM12 that plays the meter; the port is not open
/// yet. Tests check `registered` first.
struct MeterRig : HomeBase, MeterBase, AppRig {
    MeterRig() : MeterBase(home), AppRig(home) {}

    /// Writes `bytes` as the meter and waits until the session has taken `frames` frames.
    void Feed(const std::vector<std::uint8_t>& bytes, std::uint32_t frames = 1) {
        FeedFrames(*form1, pty, bytes, frames);
    }
    /// One record in the log: a work frame with Ui 4,5 V and Di `di`, then the record timer's
    /// tick a second later.
    void Record(float di) {
        Feed(StatusFrame(core::mode_bit::kWork, 4.5f, di));
        clock.AdvanceMs(1000);
        form1->Timer1Timer();
    }
    /// Chooses COM12 from the main window's port popup.
    void OpenMeterPort() {
        form1->PortItem(kMeterCom)->trigger();
        QCOMPARE(form1->StatusPanel0->text(), QStringLiteral("COM12"));
    }
};

} // namespace test
