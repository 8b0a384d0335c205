// The graph window's layout, its events, and the redraw of the picture and the readout.
#include "ui/graph/form_graph.h"

#include "core/fire/fire_envelopes.h"
#include "core/graph/graph_scale.h"
#include "core/session/measurement_session.h"
#include "core/session/panel_text.h"
#include "ui/common/form_style.h"
#include "ui/common/picture_box.h"
#include "ui/common/screen_place.h"
#include "ui/main/session_signals.h"
#include "ui/paint/glyphs.h"
#include "ui/paint/graph_painter.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QShowEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

namespace ui {
namespace {

// Toolbar order and menu order of the overlay identifiers.
constexpr std::array<int, 12> kButtonOrder{10, 1, 2, 6, 7, 3, 8, 9, 4, 5, 11, 12};
constexpr std::array<int, 13> kMenuOrder{10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 0};

constexpr int kToolBarHeight = 41;

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

QAction* AddAction(QMenu* menu, const char* name, const QString& text, int tag = 0) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setData(tag);
    return action;
}

} // namespace

TFormGraph::TFormGraph(core::IPrompts& prompts, const core::MeasurementSession& session,
                       QWidget* parent)
    : QMainWindow(parent), m_prompts(prompts), m_session(session),
      m_logNumber(session.LogNumber()) {
    setObjectName(QStringLiteral("FormGraph"));
    setWindowTitle(QStringLiteral("График"));
    setFont(FormFont());
    setMinimumSize(InnerSize(1050, 200));
    resize(InnerSize(1072, 469));
    move(150, 150);
    BuildToolBar();
    BuildMenu();
    iDisplay = new PictureBox(this);
    iDisplay->setObjectName(QStringLiteral("iDisplay"));
    iDisplay->setMouseTracking(true);
    iDisplay->installEventFilter(this);
    setCentralWidget(iDisplay);
    setMouseTracking(true);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TFormGraph::Timer1Timer);
    ConnectControls();
}

TFormGraph::~TFormGraph() {
    SetScreenCursor(core::ScreenCursor::Default);
}

void TFormGraph::BuildToolBar() {
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFixedHeight(kToolBarHeight);
    ToolBar1->setMouseTracking(true);
    ToolBar1->installEventFilter(this);
    auto add = [this](const char* name, const QString& hint, const QIcon& icon, bool toggle) {
        return AddToolButton(ToolBar1, QString::fromLatin1(name), hint, icon, toggle);
    };
    bbSave =
        add("bbSave", QStringLiteral("Сохранить изображение"), GlyphIcon(Glyph::Picture), false);
    ToolBar1->addSeparator();
    bbExp = add("bbExp", QStringLiteral("Растянуть"), GlyphIcon(Glyph::ExpandX), false);
    bbCont = add("bbCont", QStringLiteral("Сжать"), GlyphIcon(Glyph::ContractX), false);
    bbExpY = add("bbExpY", QStringLiteral("Растянуть"), GlyphIcon(Glyph::ExpandY), false);
    bbContY = add("bbContY", QStringLiteral("Сжать"), GlyphIcon(Glyph::ContractY), false);
    ToolBar1->addSeparator();
    sbDB = add("sbDB", QStringLiteral("Шкала в дБ"), TextIcon(QStringLiteral("дБ")), true);
    sbPER = add("sbPER", QStringLiteral("Шкала в %"), TextIcon(QStringLiteral("%")), true);
    sbV = add("sbV", QStringLiteral("Шкала в В"), TextIcon(QStringLiteral("В")), true);
    auto* scales = new QButtonGroup(this);
    for (QToolButton* b : {sbDB, sbPER, sbV})
        scales->addButton(b);
    sbDB->setChecked(true);
    ToolBar1->addSeparator();
    for (int id : kButtonOrder) {
        const core::TestFireEnvelope* fire = core::FindTestFire(id);
        const QString name = fire ? QString::fromUtf8(fire->name) : QString();
        QToolButton* b =
            fire ? add(("sb" + std::string(fire->latinName)).c_str(),
                       QStringLiteral("Показать график ") + name, TextIcon(name.mid(2)), true)
                 : add("sbTMPL", QStringLiteral("Показать шаблон"), TextIcon(QStringLiteral("Ш")),
                       true);
        b->setProperty("tag", id);
        connect(b, &QToolButton::clicked, this, [this, id] { sbTP2Click(id); });
        m_overlayButtons[static_cast<std::size_t>(id)] = b;
    }
    // Enabled by the template reader once a template has been loaded.
    OverlayButton(10)->setEnabled(false);
    ToolBar1->addSeparator();
    const LabelPanel labels = AddLabelPanel(ToolBar1, 19, 132);
    Panel1 = labels.panel;
    Panel1->setFixedSize(273, 38);
    lTime = labels.lTime;
    lDist = labels.lDist;
    lVal = MakeLabel(Panel1, QStringLiteral("lVal"), QStringLiteral("m="), PixelFont(16), 4, 1);
    lVal->hide();
    // "Авто" in the free top-right corner of the label panel: the toolbar has no room left
    // for another button at the window's width, and the value it acts on is shown beside it.
    sbAutoY = new QToolButton(Panel1);
    sbAutoY->setObjectName(QStringLiteral("sbAutoY"));
    sbAutoY->setText(QStringLiteral("Авто"));
    sbAutoY->setToolTip(QStringLiteral("Шкала по данным"));
    sbAutoY->setCheckable(true);
    sbAutoY->setAutoRaise(true);
    sbAutoY->setToolButtonStyle(Qt::ToolButtonTextOnly);
    sbAutoY->setGeometry(Panel1->width() - 58, 1, 56, 18);
}

void TFormGraph::BuildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("Файл"));
    miLoadTempl = AddAction(file, "miLoadTempl", QStringLiteral("Загрузить шаблон"));
    connect(miLoadTempl, &QAction::triggered, this, &TFormGraph::miLoadTemplClick);
    mSave = AddAction(file, "mSave", QStringLiteral("Сохранить"));
    miCopy = AddAction(file, "miCopy", QStringLiteral("Копировать"));
    miCopy->setShortcut(QKeySequence::Copy);
    miCopy->setShortcutContext(Qt::WindowShortcut);
    connect(miCopy, &QAction::triggered, this, &TFormGraph::miCopyClick);
    miReport = AddAction(file, "miReport", QStringLiteral("Отчёт…"));
    connect(miReport, &QAction::triggered, this, &TFormGraph::miReportClick);
    QMenu* view = menuBar()->addMenu(QStringLiteral("Вид"));
    QMenu* axisX = view->addMenu(QStringLiteral("Ось X"));
    miSizeXExp = AddAction(axisX, "miSizeXExp", QStringLiteral("Растянуть"), 1);
    miSizeXCont = AddAction(axisX, "miSizeXCont", QStringLiteral("Сжать"), -1);
    QMenu* axisY = view->addMenu(QStringLiteral("Ось Y"));
    miSizeXExpY = AddAction(axisY, "miSizeXExpY", QStringLiteral("Растянуть"), 1);
    miSizeXContY = AddAction(axisY, "miSizeXContY", QStringLiteral("Сжать"), -1);
    miAutoY = AddAction(axisY, "miAutoY", QStringLiteral("Авто"));
    miAutoY->setCheckable(true);
    QMenu* scale = view->addMenu(QStringLiteral("Шкала"));
    miDB = AddAction(scale, "miDB", QStringLiteral("Шкала dB"), 1);
    miPER = AddAction(scale, "miPER", QStringLiteral("Шкала %"), 2);
    miV = AddAction(scale, "miV", QStringLiteral("Шкала V"), 3);
    auto* scaleGroup = new QActionGroup(this);
    for (QAction* a : {miDB, miPER, miV}) {
        a->setCheckable(true);
        scaleGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] { miDB1Click(a->data().toInt()); });
    }
    miDB->setChecked(true);
    BuildOverlayMenu(view->addMenu(QStringLiteral("Тестовый пожар")));
    QMenu* colour = view->addMenu(QStringLiteral("Цвет"));
    miGrid = AddAction(colour, "miGrid", QStringLiteral("Сетка"));
    miBack = AddAction(colour, "miBack", QStringLiteral("Фон"));
    miScale = AddAction(colour, "miScale", QStringLiteral("Шкала"));
    miGrap = AddAction(colour, "miGrap", QStringLiteral("График"));
    miFont = AddAction(colour, "miFont", QStringLiteral("Шрифт"));
}

void TFormGraph::BuildOverlayMenu(QMenu* menu) {
    auto* group = new QActionGroup(this);
    for (int id : kMenuOrder) {
        const core::TestFireEnvelope* fire = core::FindTestFire(id);
        QAction* a;
        if (fire)
            a = AddAction(menu, ("mi" + std::string(fire->latinName)).c_str(),
                          QStringLiteral("Показать ") + QString::fromUtf8(fire->name), id);
        else if (id == 10)
            a = AddAction(menu, "miTP", QStringLiteral("Показать шаблон"), id);
        else
            a = AddAction(menu, "miTPn", QStringLiteral("Убрать ТП"), id);
        a->setCheckable(true);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, id] { miTPn_Click(id); });
        m_overlayActions[static_cast<std::size_t>(id)] = a;
    }
    OverlayAction(0)->setChecked(true);
}

QAction* TFormGraph::OverlayAction(int id) const {
    return id >= 0 && id < kOverlayCount ? m_overlayActions[static_cast<std::size_t>(id)] : nullptr;
}

QToolButton* TFormGraph::OverlayButton(int id) const {
    return id >= 0 && id < kOverlayCount ? m_overlayButtons[static_cast<std::size_t>(id)] : nullptr;
}

void TFormGraph::ConnectControls() {
    connect(bbSave, &QToolButton::clicked, this, &TFormGraph::mSaveClick);
    connect(mSave, &QAction::triggered, this, &TFormGraph::mSaveClick);
    connect(bbExp, &QToolButton::clicked, this, &TFormGraph::miSizeXExp_Click);
    connect(miSizeXExp, &QAction::triggered, this, &TFormGraph::miSizeXExp_Click);
    connect(bbCont, &QToolButton::clicked, this, &TFormGraph::miSizeXCont_Click);
    connect(miSizeXCont, &QAction::triggered, this, &TFormGraph::miSizeXCont_Click);
    connect(bbExpY, &QToolButton::clicked, this, &TFormGraph::bbExpYClick);
    connect(miSizeXExpY, &QAction::triggered, this, &TFormGraph::bbExpYClick);
    connect(bbContY, &QToolButton::clicked, this, &TFormGraph::bbContYClick);
    connect(miSizeXContY, &QAction::triggered, this, &TFormGraph::bbContYClick);
    connect(sbAutoY, &QToolButton::clicked, this, &TFormGraph::sbAutoYClick);
    connect(miAutoY, &QAction::triggered, this, &TFormGraph::sbAutoYClick);
    connect(sbDB, &QToolButton::clicked, this, &TFormGraph::sbDBClick);
    connect(sbPER, &QToolButton::clicked, this, &TFormGraph::sbPERClick);
    connect(sbV, &QToolButton::clicked, this, &TFormGraph::sbVClick);
    connect(miGrid, &QAction::triggered, this, &TFormGraph::miGridClick);
    connect(miBack, &QAction::triggered, this, &TFormGraph::miBackClick);
    connect(miScale, &QAction::triggered, this, &TFormGraph::miScaleClick);
    connect(miGrap, &QAction::triggered, this, &TFormGraph::miGrapClick);
    connect(miFont, &QAction::triggered, this, &TFormGraph::miFontClick);
}

void TFormGraph::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        KeepOnScreen(this);
        FormShow();
    }
}

void TFormGraph::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TFormGraph::mouseMoveEvent(QMouseEvent* event) {
    QMainWindow::mouseMoveEvent(event);
    FormMouseMove();
}

bool TFormGraph::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == iDisplay && (type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                                type == QEvent::MouseButtonRelease)) {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        if (type == QEvent::MouseButtonPress)
            iDisplayMouseDown(mouse->modifiers().testFlag(Qt::ShiftModifier), at.x(), at.y());
        else if (type == QEvent::MouseMove)
            iDisplayMouseMove(at.x(), at.y());
        else
            iDisplayMouseUp();
        return true; // handled here: not passed on to the form as a move over the form
    } else if (watched == iDisplay && type == QEvent::Leave) {
        iDisplayMouseLeave();
    } else if (watched == ToolBar1 && type == QEvent::MouseMove) {
        ToolBar1MouseMove();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormGraph::FormShow() {
    if (View.Unit <= 2)
        SelectScale(View.Unit);
}

void TFormGraph::FormResize() {
    iImg = QImage(iDisplay->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    RedrawGraph();
}

void TFormGraph::Follow(const SessionSignals& events) {
    connect(&events, &SessionSignals::RecordAdded, this, &TFormGraph::RedrawWhileVisible);
    connect(&events, &SessionSignals::LogLoaded, this, &TFormGraph::RedrawWhileVisible);
    connect(&events, &SessionSignals::TestChanged, this, [this] {
        if (!m_dragging)
            RedrawWhileVisible();
    });
    connect(&events, &SessionSignals::LogReset, this, &TFormGraph::RedrawGraph);
    connect(&events, &SessionSignals::ElapsedTimeChanged, this, &TFormGraph::ShowElapsedTime);
    connect(&events, &SessionSignals::DistanceChanged, this, &TFormGraph::ShowDistance);
}

void TFormGraph::RedrawWhileVisible() {
    if (isVisible())
        RedrawGraph();
}

void TFormGraph::ShowElapsedTime(const QString& text) {
    if (isVisible()) {
        lTime->setText(text);
        lTime->adjustSize();
    }
}

void TFormGraph::FollowLog() {
    if (m_session.LogNumber() == m_logNumber)
        return;
    m_logNumber = m_session.LogNumber();
    Mouse.ResetPan();
    Cursor.ForgetLog();
}

void TFormGraph::RedrawGraph() {
    FollowLog();
    const core::RecordLog& log = m_session.Log();
    core::GraphInput input;
    input.records =
        std::span<const core::MeasurementRecord>(&log[0], static_cast<std::size_t>(log.Count()));
    input.timeStepSec = m_session.Params().wTimeStep;
    input.pan = Mouse.Pan();
    input.shiftTP = Mouse.ShiftTP;
    const std::size_t points =
        std::min<std::size_t>(static_cast<std::size_t>(std::max<int>(Template.NTempl, 0)),
                              Template.TemplatePoints.size());
    input.templatePoints =
        std::span<const core::TemplatePoint>(Template.TemplatePoints.data(), points);
    const core::GraphTest test = core::GraphTestOf(m_session.Test());
    input.test = &test;
    m_range = RenderGraph(iImg, m_plot, View, input, m_paint);
    ShowAutoScale();
    ShowPicture();
    ShowReadout();
}

void TFormGraph::ShowDistance() {
    ShowText(lDist, core::DistanceText(m_session.Params().fDist));
}

void TFormGraph::ShowReadout() {
    ShowDistance();
    const core::RecordLog& log = m_session.Log();
    if (log.Count() < 1) {
        lVal->hide();
        return;
    }
    const float value = core::PlottedValue(log[log.Count() - 1], View.Unit);
    lVal->setText(Utf8(core::ReadoutText(View.Unit, value)));
    lVal->adjustSize();
    lVal->show();
}

} // namespace ui
