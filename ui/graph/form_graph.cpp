// The graph window's layout, view state, scale and overlay choice, and the picture.
#include "ui/graph/form_graph.h"

#include "core/format.h"
#include "core/measurement_session.h"
#include "core/test_fires.h"
#include "ui/common/form_style.h"
#include "ui/common/glyphs.h"
#include "ui/common/picture_box.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QShowEvent>
#include <QToolBar>
#include <QToolButton>

namespace ui {
namespace {

// Toolbar order and menu order of the overlay identifiers.
constexpr std::array<int, 12> kButtonOrder{10, 1, 2, 6, 7, 3, 8, 9, 4, 5, 11, 12};
constexpr std::array<int, 13> kMenuOrder{10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 0};

// Readout prefix and suffix by Unit.
const char* const kReadout[3][2] = {{"m=", " дБ/м"}, {"k=", " %"}, {"U=", " В"}};

QAction* AddAction(QMenu* menu, const char* name, const QString& text, int tag = 0) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setData(tag);
    return action;
}

} // namespace

TFormGraph::TFormGraph(IPrompts& prompts, const core::MeasurementSession& session, QWidget* parent)
    : QMainWindow(parent), m_prompts(prompts), m_session(session) {
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
    setCentralWidget(iDisplay);
}

void TFormGraph::BuildToolBar() {
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFixedHeight(41);
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
    connect(sbDB, &QToolButton::clicked, this, &TFormGraph::sbDBClick);
    connect(sbPER, &QToolButton::clicked, this, &TFormGraph::sbPERClick);
    connect(sbV, &QToolButton::clicked, this, &TFormGraph::sbVClick);
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
    Panel1 = new QWidget(ToolBar1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedSize(273, 38);
    lVal = MakeLabel(Panel1, QStringLiteral("lVal"), QStringLiteral("m="), PixelFont(16), 4, 1);
    lVal->hide();
    lTime = MakeLabel(Panel1, QStringLiteral("lTime"), QStringLiteral("Ti= 00:00:00"),
                      PixelFont(16), 4, 19);
    lDist =
        MakeLabel(Panel1, QStringLiteral("lDist"), QStringLiteral("Li="), PixelFont(16), 132, 19);
    ToolBar1->addWidget(Panel1);
}

void TFormGraph::BuildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("Файл"));
    miLoadTempl = AddAction(file, "miLoadTempl", QStringLiteral("Загрузить шаблон"));
    connect(miLoadTempl, &QAction::triggered, this, &TFormGraph::miLoadTemplClick);
    mSave = AddAction(file, "mSave", QStringLiteral("Сохранить"));
    QMenu* view = menuBar()->addMenu(QStringLiteral("Вид"));
    QMenu* axisX = view->addMenu(QStringLiteral("Ось X"));
    miSizeXExp = AddAction(axisX, "miSizeXExp", QStringLiteral("Растянуть"), 1);
    miSizeXCont = AddAction(axisX, "miSizeXCont", QStringLiteral("Сжать"), -1);
    QMenu* axisY = view->addMenu(QStringLiteral("Ось Y"));
    miSizeXExpY = AddAction(axisY, "miSizeXExpY", QStringLiteral("Растянуть"), 1);
    miSizeXContY = AddAction(axisY, "miSizeXContY", QStringLiteral("Сжать"), -1);
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

void TFormGraph::miTPn_Click(int tag) {
    View.bVeiwTP = static_cast<std::int8_t>(tag);
    if (QAction* action = OverlayAction(tag))
        action->setChecked(true);
    ShiftTP = 0;
    RedrawGraph();
    for (int id = 1; id < kOverlayCount; ++id)
        OverlayButton(id)->setChecked(id == tag);
}

void TFormGraph::sbTP2Click(int tag) {
    View.bVeiwTP = static_cast<std::int8_t>(tag);
    const QToolButton* button = OverlayButton(tag);
    miTPn_Click(button && button->isChecked() ? tag : 0);
}

void TFormGraph::miDB1Click(int tag) {
    if (tag >= 1 && tag <= 3)
        SelectScale(tag - 1);
}

void TFormGraph::SelectScale(int unit) {
    const std::array<QAction*, 3> items{miDB, miPER, miV};
    const std::array<QToolButton*, 3> buttons{sbDB, sbPER, sbV};
    items[static_cast<std::size_t>(unit)]->setChecked(true);
    buttons[static_cast<std::size_t>(unit)]->setChecked(true);
    View.Unit = static_cast<std::uint8_t>(unit);
    const int row = unit == 0 ? View.NScaleDB : unit == 1 ? View.NScalePER : View.NScaleV;
    const int limit = unit == 0 ? 9 : unit == 1 ? 4 : 2;
    bbExpY->setEnabled(row > 0);
    miSizeXExpY->setEnabled(row > 0);
    bbContY->setEnabled(row < limit);
    miSizeXContY->setEnabled(row < limit);
    RedrawGraph();
}

void TFormGraph::FormShow() {
    if (View.Unit <= 2)
        SelectScale(View.Unit);
}

void TFormGraph::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormGraph::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TFormGraph::FormResize() {
    iImg = QImage(iDisplay->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    RedrawGraph();
}

void TFormGraph::RedrawGraph() {
    if (!iImg.isNull()) {
        QPainter p(&iImg);
        p.fillRect(iImg.rect(), ColourFromBgr(View.cMargin));
        p.fillRect(QRect(QPoint(View.LeftMargin, 0),
                         QPoint(iImg.width(), iImg.height() - View.BottomMargin)),
                   ColourFromBgr(View.cBack));
        p.end();
        iDisplay->SetPicture(iImg);
    }
    const std::string dist = core::FormatDecimal(m_session.Params().fDist, 5, 1);
    lDist->setText(QStringLiteral("Li=") + QString::fromStdString(dist) + QStringLiteral(" м"));
    lDist->adjustSize();
    const core::RecordLog& log = m_session.Log();
    if (log.Count() < 1 || View.Unit > 2) {
        lVal->setVisible(log.Count() >= 1);
        return;
    }
    const core::MeasurementRecord r = log[log.Count() - 1];
    const double value = View.Unit == 0   ? r.m
                         : View.Unit == 1 ? 100.0 - r.Ui * (1.0L / 4.985L) * 100
                                          : r.Ui;
    lVal->setText(QString::fromUtf8(kReadout[View.Unit][0]) +
                  QString::fromStdString(core::FormatDecimal(value, 5, 3)) +
                  QString::fromUtf8(kReadout[View.Unit][1]));
    lVal->adjustSize();
    lVal->show();
}

} // namespace ui
