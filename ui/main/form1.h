// The main window: mode panels, recording switch, port popup, timers, settings and the
// other windows' toggles. Its measurement logic is core::MeasurementSession.
#pragma once

#include "comm/port_map.h"
#include "core/session/measurement_session.h"
#include "core/session/running_copies.h"
#include "core/settings/settings_file.h"
#include "ui/main/help.h"

#include <QMainWindow>
#include <memory>
#include <string>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;

namespace comm {
class TVaComm;
}

namespace core {
class IPrompts;
}

namespace ui {

class QtMainThread;
class SessionSignals;
class TFormAbout;
class TFormDist;
class TFormGraph;
class TFormTabl;
class TFormTech;
class TFormTest;
class TFormTime;

class TForm1 final : public QMainWindow {
    Q_OBJECT
public:
    /// The other six windows, created after this one in this order, and the fire test's
    /// window, created after them. None is owned.
    struct Windows {
        TFormTabl* tabl = nullptr;
        TFormGraph* graph = nullptr;
        TFormDist* dist = nullptr;
        TFormAbout* about = nullptr;
        TFormTime* time = nullptr;
        TFormTech* tech = nullptr;
        TFormTest* test = nullptr;
    };

    /// FormCreate: builds the window and the port menu from `portMap`. `prompts` and
    /// `clock` must outlive the window. The settings file is DefaultConfigDir()/vels5.ini,
    /// the journal core::JournalDir(core::DefaultDataHome()). At the first showing, after the
    /// settings are read, old saved journals are cleaned up and each unfinished journal is
    /// offered for recovery once.
    TForm1(core::IPrompts& prompts, const core::IClock& clock, comm::PortMap portMap,
           QWidget* parent = nullptr);
    ~TForm1() override;

    /// Called once, before the window is first shown.
    void SetWindows(const Windows& windows);
    /// The port opened at the first showing (vels5 --port COMn), after the settings are read
    /// and before the journals are tended: with the port open no journal is offered, so none
    /// is loaded only to be emptied by the port's reset.
    void SetStartPort(int n) { m_startPort = n; }
    /// At the first showing the user chose not to start a second copy: the window closes
    /// without the save question and without writing the settings.
    bool QuitAtStart() const { return m_quitAtStart; }

    core::MeasurementSession& Session() { return *m_session; }
    /// The session's announcements, which the other windows follow.
    SessionSignals& Signals() { return *m_signals; }
    /// The dialogs write accepted values back through these.
    void StoreDist(float metres) { m_session->Params().fDist = metres; }
    void StoreTimeStep(std::uint16_t seconds) { m_session->Params().wTimeStep = seconds; }
    comm::TVaComm& Comm() { return *MyCOM; }
    const std::string& SettingsPath() const { return m_settingsPath; }
    const std::string& JournalDir() const { return m_journalDir; }
    /// The popup item of port n, or nullptr.
    QAction* PortItem(int n) const;

    QToolBar* ToolBar1;
    QToolButton* bbEnRec;
    QToolButton* bbTablhForm;
    QToolButton* bbGraphForm;
    QToolButton* bbRestart;
    QWidget* Panel1;
    QLabel* lTime;
    QLabel* lDist;

    QWidget* pStart;
    QWidget* pAdjust;
    QWidget* pStab;
    QWidget* pWork;
    QWidget* pError;
    QLabel* lStart;
    QLabel* lMode;
    QLabel* lUa;
    QLabel* lStab;
    QLabel* lStabTime;
    QLabel* lUo;
    QLabel* lUi;
    QLabel* lDi;
    QLabel* lErMode;
    QLabel* lErBI;
    QLabel* lErBF;
    QLabel* iSQ1;
    QLabel* iSQ3;
    QLabel* iTrL1;
    QLabel* iTrL3;
    QLabel* iTrR1;
    QLabel* iTrR3;

    QStatusBar* StatusBar1;
    QLabel* StatusPanel0; ///< the port: "Выкл" or its name
    QLabel* StatusPanel1;
    QLabel* lWait; ///< "Ожидание устройства… 00:12", "Связь восстановлена (разрыв 8 с)"

    QAction* miLink;
    QAction* N10;
    QAction* mTabl;
    QAction* mGraph;
    QAction* mTest; ///< "Испытание": the fire test's window on/off
    QAction* miDist;
    QAction* miTimeStep;
    QAction* miTechPan;
    QAction* N24;
    QAction* N25;

    QMenu* pmTx = nullptr;
    QAction* TxOff = nullptr;
    QAction* Update1 = nullptr;

    QTimer* Timer1;    ///< record timer, 300 ms
    QTimer* Timer2;    ///< link watchdog, 5000 ms
    QTimer* TimerWait; ///< the wait for the meter, 500 ms, running only during it

    // Handlers.
    void FormShow();
    /// Saves the settings and closes the port; false when the settings could not be written
    /// (the window then stays open).
    bool FormClose();
    void TxClick(int tag);
    void Update1Click();
    /// A press on the status bar at `clickX` (status-bar coordinates) pops up pmTx when clickX
    /// < 40.
    void StatusBar1MouseDown(int clickX);
    void bbTablhFormClick();
    void bbGraphFormClick();
    void mTestClick();
    void bbEnRecClick(bool down);
    void miLinkClick();
    void bbRestartClick();
    void N10Click();
    void miDistClick();
    void miTimeStepClick();
    void miTechPanClick();
    void N24Click();
    void N25Click();
    void MyCOMRxChar();
    /// The open device vanished: the session waits for it (no message box) and the port is
    /// tried again each second until it is back.
    void MyCOMDeviceLost();
    void Timer1Timer();
    void Timer2Timer();
    /// The wait's tick: reopens the port when due and shows the wait's line.
    void TimerWaitTimer();

    /// The program "Справка" hands the manual to ("xdg-open").
    void SetDocumentOpener(const QString& program) { m_documentOpener = program; }

    /// Reads the settings file and applies it; false after a conversion error.
    bool LoadSettings();
    /// Writes the settings file; false (after the error box) when it cannot be written.
    bool SaveSettings();

signals:
    /// The window has closed: the program ends.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the session announces for this window (form1_handlers.cpp, form1_port.cpp)
    void ConnectSession();
    void ShowNotice(core::SessionNotice kind, const QString& text);
    void SendFrame(const QByteArray& frame);

    // Layout (form1_layout.cpp)
    void BuildToolBar();
    void BuildMenu();
    void BuildPanels();
    void BuildStatusBar();
    void LayoutPanels();
    // The port popup (form1_port.cpp)
    std::unique_ptr<comm::TVaComm> MakeComm();
    void BuildPortMenu();
    void OpenPort(int n);
    /// The port of the wait, closed and opened again by its COM name; false while its device
    /// is not there or will not open (`tell`: the user chose it, and hears why).
    bool ReopenPort(bool tell);
    /// lWait and TimerWait as the session's wait says.
    void ShowWait();
    void ShowPortClosed();
    // Session state on the widgets (form1_view.cpp)
    void Refresh();
    /// Starts and stops Timer1 and Timer2 as the session says.
    void ApplyTimers();
    void ApplyView(const core::ModeView& view);
    void ApplyRecording(const core::RecordingView& recording);
    void SetDistLabel();
    /// The fire test's window, shortcuts and its links to the graph and the table.
    void ConnectTest();
    void PlaceDialog(QWidget* dialog) const;
    // Settings (form1_settings.cpp)
    core::Settings CurrentSettings() const;
    QWidget* SettingsWindowOf(core::SettingsWindow window);
    void ApplySettingsRow(int row, const core::Settings& s);
    void ActOnSettingsValue(int row);
    /// Moves the main window and the visible table and graph windows wholly onto a screen.
    void KeepWindowsOnScreen();
    // The journal folder at start (form1_journal.cpp)
    /// Removes the journals the clean-up rule lets go, then offers the unfinished ones.
    void TendJournals();
    /// Enters this copy among the running ones; when others run, asks whether to go on.
    /// false: the user chose to quit.
    bool AskAboutOtherCopies();

    core::IPrompts& m_prompts;
    const core::IClock& m_clock;
    comm::PortMap m_portMap;
    std::unique_ptr<core::MeasurementSession> m_session;
    std::unique_ptr<SessionSignals> m_signals;
    std::shared_ptr<QtMainThread> m_mainThread;
    std::unique_ptr<comm::TVaComm> MyCOM;
    std::string m_settingsPath;
    std::string m_journalDir;
    std::string m_runningDir;
    core::CopyRegistration m_copy;
    int m_startPort = 0;
    bool m_quitAtStart = false;
    QActionGroup* m_portGroup = nullptr;
    Windows m_windows;
    std::uint32_t m_timer1Starts = 0;
    std::uint32_t m_timer2Starts = 0;
    int m_portNumber = 0; ///< the COM number of the port chosen, 0 for "Выкл"
    /// "Выход" has already offered to save the log for the close under way.
    bool m_saveOffered = false;
    bool m_shown = false;
    QString m_documentOpener = QString::fromLatin1(kDesktopOpener);
};

} // namespace ui
