// The main window's construction (FormCreate): toolbar, menu, mode panels, status bar.
#include "comm/va_comm.h"
#include "core/journal/journal.h"
#include "ui/common/form_style.h"
#include "ui/common/program_version.h"
#include "ui/main/cursors.h"
#include "ui/main/form1.h"
#include "ui/main/indicators.h"
#include "ui/main/qt_main_thread.h"
#include "ui/main/session_signals.h"
#include "ui/paint/glyphs.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace ui {
namespace {

constexpr QColor kSilver(192, 192, 192);

QWidget* MakePanel(QWidget* parent, const char* name) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, kSilver);
    panel->setPalette(palette);
    return panel;
}

QLabel* MakePicture(QWidget* parent, const char* name, IndicatorShape shape, bool filled) {
    auto* picture = new QLabel(parent);
    picture->setObjectName(QString::fromLatin1(name));
    picture->setPixmap(IndicatorPicture(shape, filled));
    picture->setFixedSize(kIndicatorSize, kIndicatorSize);
    return picture;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

TForm1::TForm1(core::IPrompts& prompts, const core::IClock& clock, comm::PortMap portMap,
               QWidget* parent)
    : QMainWindow(parent), m_prompts(prompts), m_clock(clock), m_portMap(std::move(portMap)),
      m_session(std::make_unique<core::MeasurementSession>(clock)),
      m_signals(std::make_unique<SessionSignals>(*m_session)),
      m_mainThread(std::make_shared<QtMainThread>()),
      m_settingsPath(core::SettingsPath(comm::DefaultConfigDir())),
      m_journalDir(core::JournalDir(core::DefaultDataHome())),
      m_runningDir(core::RunningDir(core::DefaultDataHome())) {
    setObjectName(QStringLiteral("Form1"));
    m_session->SetJournal(m_journalDir);
    m_session->SetPrompts(&m_prompts);
    ConnectSession();
    setWindowTitle(MainCaption(ProgramVersion()));
    setFont(FormFont());
    setFixedSize(InnerSize(466, 292));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    move(194, 656);
    RegisterCursors();
    BuildToolBar();
    BuildMenu();
    BuildPanels();
    BuildStatusBar();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(300);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(5000);
    // A coarse timer may fire up to 5 % early; the link is lost only after a full 5 s.
    Timer2->setTimerType(Qt::PreciseTimer);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    // Runs only while the wait for the meter is under way or its end is shown.
    TimerWait = new QTimer(this);
    TimerWait->setObjectName(QStringLiteral("TimerWait"));
    TimerWait->setInterval(500);
    connect(TimerWait, &QTimer::timeout, this, &TForm1::TimerWaitTimer);
    MyCOM = MakeComm();
    BuildPortMenu();
    Refresh();
}

TForm1::~TForm1() {
    // Closing joins the port's threads; hand-offs still queued then do nothing.
    MyCOM->Close();
    m_mainThread->Shutdown();
}

void TForm1::BuildToolBar() {
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFixedHeight(41);
    ToolBar1->addSeparator();
    bbEnRec = AddToolButton(ToolBar1, QStringLiteral("bbEnRec"), QStringLiteral("Запретить запись"),
                            GlyphIcon(Glyph::Record), true);
    bbEnRec->setEnabled(false);
    connect(bbEnRec, &QToolButton::clicked, this, &TForm1::bbEnRecClick);
    ToolBar1->addSeparator();
    bbTablhForm = AddToolButton(ToolBar1, QStringLiteral("bbTablhForm"),
                                QStringLiteral("Показать таблицу"), GlyphIcon(Glyph::Table));
    connect(bbTablhForm, &QToolButton::clicked, this, &TForm1::bbTablhFormClick);
    bbGraphForm = AddToolButton(ToolBar1, QStringLiteral("bbGraphForm"),
                                QStringLiteral("Показать график"), GlyphIcon(Glyph::Graph));
    connect(bbGraphForm, &QToolButton::clicked, this, &TForm1::bbGraphFormClick);
    ToolBar1->addSeparator();
    bbRestart = AddToolButton(ToolBar1, QStringLiteral("bbRestart"),
                              QStringLiteral("Перезапустить измерение"), GlyphIcon(Glyph::Restart));
    bbRestart->setEnabled(false);
    connect(bbRestart, &QToolButton::clicked, this, &TForm1::bbRestartClick);
    ToolBar1->addSeparator();
    const LabelPanel labels = AddLabelPanel(ToolBar1, 10, 132);
    Panel1 = labels.panel;
    Panel1->setMinimumSize(250, 38);
    lTime = labels.lTime;
    lDist = labels.lDist;
}

void TForm1::BuildMenu() {
    QMenu* control = menuBar()->addMenu(QStringLiteral("Управление"));
    miLink = AddItem(control, "miLink", QStringLiteral("Запретить запись"));
    miLink->setEnabled(false);
    connect(miLink, &QAction::triggered, this, &TForm1::miLinkClick);
    N10 = AddItem(control, "N10", QStringLiteral("Выход"));
    connect(N10, &QAction::triggered, this, &TForm1::N10Click);
    QMenu* windows = menuBar()->addMenu(QStringLiteral("Окна"));
    mTabl = AddItem(windows, "mTabl", QStringLiteral("Таблица"));
    connect(mTabl, &QAction::triggered, this, &TForm1::bbTablhFormClick);
    mGraph = AddItem(windows, "mGraph", QStringLiteral("График"));
    connect(mGraph, &QAction::triggered, this, &TForm1::bbGraphFormClick);
    mTest = AddItem(windows, "mTest", QStringLiteral("Испытание"));
    connect(mTest, &QAction::triggered, this, &TForm1::mTestClick);
    QMenu* options = menuBar()->addMenu(QStringLiteral("Опции"));
    miDist = AddItem(options, "miDist", QStringLiteral("Дистанция"));
    connect(miDist, &QAction::triggered, this, &TForm1::miDistClick);
    miTimeStep = AddItem(options, "miTimeStep", QStringLiteral("Период опроса"));
    connect(miTimeStep, &QAction::triggered, this, &TForm1::miTimeStepClick);
    options->addSeparator();
    miTechPan = AddItem(options, "miTechPan", QStringLiteral("Панель"));
    miTechPan->setCheckable(true);
    connect(miTechPan, &QAction::triggered, this, &TForm1::miTechPanClick);
    QMenu* help = menuBar()->addMenu(QStringLiteral("Помощь"));
    N24 = AddItem(help, "N24", QStringLiteral("Справка"));
    connect(N24, &QAction::triggered, this, &TForm1::N24Click);
    N25 = AddItem(help, "N25", QStringLiteral("О программе"));
    connect(N25, &QAction::triggered, this, &TForm1::N25Click);
}

void TForm1::BuildPanels() {
    auto* area = new QWidget(this);
    area->setObjectName(QStringLiteral("ModeArea"));
    area->installEventFilter(this);
    setCentralWidget(area);
    // Created back to front: the later sibling lies in front.
    pError = MakePanel(area, "pError");
    pAdjust = MakePanel(area, "pAdjust");
    pStab = MakePanel(area, "pStab");
    pWork = MakePanel(area, "pWork");
    pStart = MakePanel(area, "pStart");
    const QFont large = PixelFont(37);
    const QFont medium = PixelFont(24);
    lErMode = MakeLabel(pError, QStringLiteral("lErMode"), QString(), large, 0, 16);
    lErBI = MakeLabel(pError, QStringLiteral("lErBI"), QString(), medium, 0, 64);
    lErBF = MakeLabel(pError, QStringLiteral("lErBF"), QString(), medium, 0, 104);
    lMode = MakeLabel(pAdjust, QStringLiteral("lMode"), QString(), medium, 0, 24);
    lUa = MakeLabel(pAdjust, QStringLiteral("lUa"), QString(), large, 0, 56);
    iSQ1 = MakePicture(pAdjust, "iSQ1", IndicatorShape::Square, false);
    iSQ3 = MakePicture(pAdjust, "iSQ3", IndicatorShape::Square, true);
    iTrL1 = MakePicture(pAdjust, "iTrL1", IndicatorShape::LeftTriangle, false);
    iTrL3 = MakePicture(pAdjust, "iTrL3", IndicatorShape::LeftTriangle, true);
    iTrR1 = MakePicture(pAdjust, "iTrR1", IndicatorShape::RightTriangle, false);
    iTrR3 = MakePicture(pAdjust, "iTrR3", IndicatorShape::RightTriangle, true);
    lStab = MakeLabel(pStab, QStringLiteral("lStab"), QString(), large, 0, 40);
    lStabTime = MakeLabel(pStab, QStringLiteral("lStabTime"), QString(), large, 0, 88);
    lUo = MakeLabel(pWork, QStringLiteral("lUo"), QString(), large, 0, 16);
    lUi = MakeLabel(pWork, QStringLiteral("lUi"), QString(), large, 0, 64);
    lDi = MakeLabel(pWork, QStringLiteral("lDi"), QString(), large, 0, 112);
    lStart = MakeLabel(pStart, QStringLiteral("lStart"), QString(), large, 0, 64);
}

void TForm1::BuildStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(QStringLiteral("Выкл"), StatusBar1);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(50);
    StatusPanel1 = new QLabel(StatusBar1);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setFixedWidth(50);
    // The wait for the meter after a lost link; empty otherwise.
    lWait = new QLabel(StatusBar1);
    lWait->setObjectName(QStringLiteral("lWait"));
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1);
    StatusBar1->addWidget(lWait, 1);
    // Presses on the panels reach the status bar itself (labels ignore them).
    StatusBar1->installEventFilter(this);
    setStatusBar(StatusBar1);
}

void TForm1::LayoutPanels() {
    const QRect area = centralWidget()->rect();
    for (QWidget* panel : {pError, pAdjust, pStab, pWork, pStart})
        panel->setGeometry(area);
    // The squares at the panel's centre, each triangle 4 pixels beside them.
    const int squareX = area.width() / 2 - kIndicatorSize / 2;
    for (QLabel* square : {iSQ1, iSQ3})
        square->move(squareX, 104);
    for (QLabel* left : {iTrL1, iTrL3})
        left->move(squareX - 4 - kIndicatorSize, 104);
    for (QLabel* right : {iTrR1, iTrR3})
        right->move(squareX + kIndicatorSize + 4, 104);
    ApplyView(m_session->View());
}

} // namespace ui
