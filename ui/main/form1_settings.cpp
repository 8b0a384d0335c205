// The main window's lifecycle around the settings file: load at the first showing, save at
// closing, and the desktop check that keeps the table and graph windows reachable.
#include "comm/va_comm.h"
#include "core/atomic_file.h"
#include "ui/common/form_style.h"
#include "ui/graph/form_graph.h"
#include "ui/main/form1.h"
#include "ui/prompts/prompts.h"
#include "ui/table/form_tabl.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>

namespace ui {
namespace {

// Windows' settings keep outer (frame) sizes; Qt sizes are the inside.
void SetOuterSize(QWidget* window, int width, int height) {
    window->resize(QSize(width, height) - kFrameExtra);
}

QSize OuterSize(const QWidget* window) {
    return window->size() + kFrameExtra;
}

} // namespace

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous() && !m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TForm1::FormShow() {
    if (!LoadSettings())
        return; // a conversion error skips the rest of the showing
    SetDistLabels();
    KeepWindowsReachable();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A test fire cannot be repeated: closing the window by any way, not only "Выход",
    // offers to save a log that has records, and the answer "Отмена" keeps the program.
    if (!m_saveOffered && OfferSaveLog() != core::SaveAnswer::GoOn) {
        event->ignore();
        return;
    }
    if (!FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
    emit Closed();
}

bool TForm1::FormClose() {
    if (!SaveSettings())
        return false;
    MyCOM->Close();
    return true;
}

bool TForm1::LoadSettings() {
    std::string bytes;
    if (!core::ReadWholeFile(m_settingsPath, bytes))
        return true; // no file: every window keeps its values from creation
    const core::SettingsLoad load = core::ParseSettings(bytes, CurrentSettings());
    for (int row = core::settings_row::kMainTop; row <= core::settings_row::kCount; ++row) {
        if (!load.Applied(row))
            break;
        ApplySettingsRow(row, load.values);
    }
    if (load.failedRow != 0) {
        m_prompts.Error(this, AppTitle(), QString::fromStdString(load.error));
        return false;
    }
    if (m_windows.graph && m_windows.graph->isVisible())
        m_windows.graph->FormShow();
    return true;
}

bool TForm1::SaveSettings() {
    const std::string bytes =
        core::FormatSettings(CurrentSettings(), StatusPanel0->text().toStdString());
    QDir().mkpath(QFileInfo(QString::fromStdString(m_settingsPath)).absolutePath());
    const core::FileWriteResult written = core::WriteFileAtomically(m_settingsPath, bytes);
    if (written)
        return true;
    m_prompts.Error(this, AppTitle(),
                    QString::fromStdString(written.error + ".\n" + written.reason));
    return false;
}

core::Settings TForm1::CurrentSettings() const {
    core::Settings s;
    s.main.top = y();
    s.main.left = x();
    s.main.wTimeStep = m_session->Params().wTimeStep;
    s.main.fDist = m_session->Params().fDist;
    if (const TFormTabl* t = m_windows.tabl) {
        core::Settings::Table& o = s.table;
        static_cast<core::TableView&>(o) = t->View;
        o.visible = t->isVisible();
        o.top = t->y();
        o.left = t->x();
        o.height = OuterSize(t).height();
        o.width = OuterSize(t).width();
    }
    if (const TFormGraph* g = m_windows.graph) {
        core::Settings::Graph& o = s.graph;
        o.visible = g->isVisible();
        o.top = g->y();
        o.left = g->x();
        o.height = OuterSize(g).height();
        o.width = OuterSize(g).width();
        static_cast<core::GraphView&>(o) = g->View;
    }
    return s;
}

void TForm1::ApplySettingsRow(int row, const core::Settings& s) {
    using namespace core::settings_row;
    switch (row) {
    case kMainTop:
        move(x(), s.main.top);
        break;
    case kMainLeft:
        move(s.main.left, y());
        break;
    case kTimeStep:
        m_session->Params().wTimeStep = s.main.wTimeStep;
        break;
    case kDist:
        m_session->Params().fDist = s.main.fDist;
        break;
    default:
        if (row <= kIsUnit && m_windows.tabl)
            ApplyTableRow(row, s.table);
        else if (row >= kGraphVisible && m_windows.graph)
            ApplyGraphRow(row, s.graph);
    }
}

void TForm1::ApplyTableRow(int row, const core::Settings::Table& t) {
    using namespace core::settings_row;
    TFormTabl* w = m_windows.tabl;
    switch (row) {
    case kTableVisible:
        if (t.visible)
            w->show(); // its own show handling runs before the rows below apply
        break;
    case kTableTop:
        w->move(w->x(), t.top);
        break;
    case kTableLeft:
        w->move(t.left, w->y());
        break;
    case kTableHeight:
        SetOuterSize(w, OuterSize(w).width(), t.height);
        break;
    case kTableWidth:
        SetOuterSize(w, t.width, OuterSize(w).height());
        break;
    case kViewLastLine:
        w->SetViewLastLine(t.ViewLastLine);
        break;
    case kDelim:
        w->View.Delim = t.Delim;
        break;
    case kIsUnit:
        w->View.IsUnit = t.IsUnit;
        break;
    }
}

void TForm1::ApplyGraphRow(int row, const core::Settings::Graph& g) {
    using namespace core::settings_row;
    TFormGraph* w = m_windows.graph;
    switch (row) {
    case kGraphVisible:
        if (g.visible)
            w->show();
        break;
    case kGraphTop:
        w->move(w->x(), g.top);
        break;
    case kGraphLeft:
        w->move(g.left, w->y());
        break;
    case kGraphHeight:
        SetOuterSize(w, OuterSize(w).width(), g.height);
        break;
    case kGraphWidth:
        SetOuterSize(w, g.width, OuterSize(w).height());
        break;
    case kNumPoint:
        w->View.NumPoint = g.NumPoint;
        break;
    case kLeftMargin:
        w->View.LeftMargin = g.LeftMargin;
        break;
    case kBottomMargin:
        w->View.BottomMargin = g.BottomMargin;
        break;
    case kWQx:
        w->View.wQx = g.wQx;
        break;
    case kWQy:
        w->View.wQy = g.wQy;
        break;
    case kVeiwTP:
        w->View.bVeiwTP = g.bVeiwTP;
        if (core::SelectsTestFire(g.bVeiwTP))
            w->miTPn_Click(g.bVeiwTP); // the overlay's menu action, before the next rows
        break;
    case kUnit:
        w->View.Unit = g.Unit;
        break;
    case kNScaleDB:
        w->View.NScaleDB = g.NScaleDB;
        break;
    case kNScalePER:
        w->View.NScalePER = g.NScalePER;
        break;
    case kNScaleV:
        w->View.NScaleV = g.NScaleV;
        break;
    case kBack:
        w->View.cBack = g.cBack;
        break;
    case kMargin:
        w->View.cMargin = g.cMargin;
        break;
    case kGrid:
        w->View.cGrid = g.cGrid;
        break;
    case kFont:
        w->View.cFont = g.cFont;
        break;
    case kGrap:
        w->View.cGrap = g.cGrap;
        break;
    }
}

void TForm1::KeepWindowsReachable() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The whole desktop, so a window on a second monitor stays where it is.
    const QRect desktop = screen->virtualGeometry();
    const int maxTop = desktop.y() + desktop.height() - 50;
    const int maxLeft = desktop.x() + desktop.width() - 50;
    for (QWidget* w :
         {static_cast<QWidget*>(m_windows.tabl), static_cast<QWidget*>(m_windows.graph)}) {
        if (!w)
            continue;
        if (w->y() > maxTop)
            w->move(w->x(), maxTop);
        if (w->x() > maxLeft)
            w->move(maxLeft, w->y());
    }
}

} // namespace ui
