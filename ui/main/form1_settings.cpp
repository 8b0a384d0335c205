// The main window's lifecycle around the settings file: load at the first showing, save at
// closing, and the desktop check that keeps the table and graph windows reachable.
#include "comm/va_comm.h"
#include "core/common/prompts.h"
#include "core/files/atomic_file.h"
#include "core/files/save_flow.h"
#include "core/settings/graph_options.h"
#include "ui/common/form_style.h"
#include "ui/common/screen_place.h"
#include "ui/graph/form_graph.h"
#include "ui/main/form1.h"
#include "ui/table/form_tabl.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

namespace ui {
namespace {

// Windows' settings keep outer (frame) sizes; Qt sizes are the inside.
void SetOuterSize(QWidget* window, int width, int height) {
    window->resize(QSize(width, height) - kFrameExtra);
}

QSize OuterSize(const QWidget* window) {
    return window->size() + kFrameExtra;
}

core::WindowFrame FrameOfWidget(const QWidget* w) {
    return {w->isVisible(), w->y(), w->x(), OuterSize(w).height(), OuterSize(w).width()};
}

} // namespace

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous() && !m_shown) {
        m_shown = true;
        if (!AskAboutOtherCopies()) {
            m_quitAtStart = true;
            QTimer::singleShot(0, this, &QWidget::close);
            return;
        }
        FormShow();
        // Also after a settings file that could not be read to its end.
        KeepWindowsOnScreen();
        if (m_startPort > 0)
            TxClick(m_startPort);
        TendJournals();
    }
}

void TForm1::FormShow() {
    if (!LoadSettings())
        return; // a conversion error skips the rest of the showing
    m_session->DistanceSettled();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (m_quitAtStart) {
        // Nothing of this copy was started: no log, and the settings stay the other copy's.
        m_copy.Unregister();
        event->accept();
        emit Closed();
        return;
    }
    // A test fire cannot be repeated: closing the window by any way, not only "Выход",
    // offers to save a log that has records, and the answer "Отмена" keeps the program.
    if (!m_saveOffered &&
        m_session->OfferSaveLog(core::LogDiscard::Cancellable) != core::SaveAnswer::GoOn) {
        event->ignore();
        return;
    }
    if (!FormClose()) {
        event->ignore();
        return;
    }
    m_session->EndLog();
    m_copy.Unregister(); // the program ends: a copy started now is the only one
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
    if (m_windows.graph && core::ReadWholeFile(core::GraphOptionsPath(m_settingsPath), bytes,
                                               core::read_limit::kSettings))
        core::ParseGraphOptions(bytes, m_windows.graph->View);
    if (!core::ReadWholeFile(m_settingsPath, bytes, core::read_limit::kSettings))
        return true; // no file (or no readable one): every window keeps its values from creation
    const core::SettingsLoad load = core::ParseSettings(bytes, CurrentSettings());
    for (int row = core::settings_row::kMainTop; row <= core::settings_row::kCount; ++row) {
        if (!load.Applied(row))
            break;
        ApplySettingsRow(row, load.values);
    }
    // The journal and the save offer write rows as the table shows them.
    if (m_windows.tabl) {
        m_windows.tabl->ViewChanged();
        m_session->SetRowFormat(m_windows.tabl->View);
    }
    if (load.failedRow != 0) {
        m_prompts.Error(core::kAppTitle, load.error);
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
    if (!core::WriteSavedFile(m_prompts, m_settingsPath, bytes))
        return false;
    return !m_windows.graph ||
           core::WriteSavedFile(m_prompts, core::GraphOptionsPath(m_settingsPath),
                                core::FormatGraphOptions(m_windows.graph->View));
}

core::Settings TForm1::CurrentSettings() const {
    core::Settings s;
    static_cast<core::MeasurementParams&>(s.main) = m_session->Params();
    s.main.top = y();
    s.main.left = x();
    if (const TFormTabl* t = m_windows.tabl) {
        static_cast<core::TableView&>(s.table) = t->View;
        core::SetFrame(s, core::SettingsWindow::Table, FrameOfWidget(t));
    }
    if (const TFormGraph* g = m_windows.graph) {
        static_cast<core::GraphView&>(s.graph) = g->View;
        core::SetFrame(s, core::SettingsWindow::Graph, FrameOfWidget(g));
    }
    return s;
}

QWidget* TForm1::SettingsWindowOf(core::SettingsWindow window) {
    switch (window) {
    case core::SettingsWindow::Main:
        return this;
    case core::SettingsWindow::Table:
        return m_windows.tabl;
    case core::SettingsWindow::Graph:
        break;
    }
    return m_windows.graph;
}

// Values go to their fields by the rows' table; the window applies only frames and showing.
void TForm1::ApplySettingsRow(int row, const core::Settings& s) {
    const core::SettingsRow& r = core::SettingsRowAt(row);
    if (r.use == core::SettingsRowUse::Value) {
        core::ApplySettingsValue(row, s,
                                 {&m_session->Params(),
                                  m_windows.tabl ? &m_windows.tabl->View : nullptr,
                                  m_windows.graph ? &m_windows.graph->View : nullptr});
        ActOnSettingsValue(row);
        return;
    }
    QWidget* w = SettingsWindowOf(r.window);
    if (!w)
        return;
    const core::WindowFrame f = core::FrameOf(s, r.window);
    switch (r.use) {
    case core::SettingsRowUse::Visible:
        if (f.visible)
            w->show(); // its own show handling runs before the rows below apply
        break;
    case core::SettingsRowUse::Top:
        w->move(w->x(), f.top);
        break;
    case core::SettingsRowUse::Left:
        w->move(f.left, w->y());
        break;
    case core::SettingsRowUse::Height:
        SetOuterSize(w, OuterSize(w).width(), f.height);
        break;
    case core::SettingsRowUse::Width:
        SetOuterSize(w, f.width, OuterSize(w).height());
        break;
    default:
        break;
    }
}

// Two values are acted on as they are read: the table's follow mode moves its menu check
// mark and button, and a test-fire overlay performs its menu action before the next rows.
void TForm1::ActOnSettingsValue(int row) {
    if (row == core::settings_row::kViewLastLine && m_windows.tabl) {
        m_windows.tabl->SetViewLastLine(m_windows.tabl->View.ViewLastLine);
    } else if (row == core::settings_row::kVeiwTP && m_windows.graph) {
        const int overlay = m_windows.graph->View.bVeiwTP;
        if (core::SelectsTestFire(overlay))
            m_windows.graph->miTPn_Click(overlay);
    }
}

void TForm1::KeepWindowsOnScreen() {
    // The table and graph windows were shown before their stored positions were applied.
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(m_windows.tabl),
                       static_cast<QWidget*>(m_windows.graph)}) {
        if (w && (w == this || w->isVisible()))
            KeepOnScreen(w);
    }
}

} // namespace ui
