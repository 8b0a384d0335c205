// The graph window: the record log plotted against time, with its view state, scale and
// overlay choice.
#pragma once

#include "core/graph_view.h"
#include "core/template_store.h"

#include <QImage>
#include <QMainWindow>
#include <array>
#include <cstdint>

class QAction;
class QActionGroup;
class QLabel;
class QToolBar;
class QToolButton;

namespace core {
class MeasurementSession;
}

namespace ui {

class IPrompts;
class PictureBox;

class TFormGraph final : public QMainWindow {
    Q_OBJECT
public:
    /// Overlay identifiers (bVeiwTP): 0 none, 1-9/11/12 a test fire, 10 the template.
    static constexpr int kOverlayCount = 13;

    /// Reads the record log and parameters of `session` (owned by the main window, which
    /// outlives this window). GUI thread only.
    TFormGraph(IPrompts& prompts, const core::MeasurementSession& session,
               QWidget* parent = nullptr);

    /// Stored view state (scale, margins, overlay, colours), with the values a new window
    /// starts from; the settings file reads and writes it.
    core::GraphView View;
    std::int16_t ShiftTP = 0; ///< overlay shift, pixels; each overlay choice resets it
    /// The loaded template (overlay 10): filled by "Загрузить шаблон", drawn by the redraw.
    core::TemplateStore Template;

    QToolBar* ToolBar1;
    QToolButton* bbSave;
    QToolButton* bbExp;
    QToolButton* bbCont;
    QToolButton* bbExpY;
    QToolButton* bbContY;
    QToolButton* sbDB;
    QToolButton* sbPER;
    QToolButton* sbV;
    QWidget* Panel1;
    QLabel* lVal;
    QLabel* lTime;
    QLabel* lDist;
    QImage iImg;
    PictureBox* iDisplay;

    QAction* miLoadTempl;
    QAction* mSave;
    QAction* miSizeXExp;
    QAction* miSizeXCont;
    QAction* miSizeXExpY;
    QAction* miSizeXContY;
    QAction* miDB;
    QAction* miPER;
    QAction* miV;
    QAction* miGrid;
    QAction* miBack;
    QAction* miScale;
    QAction* miGrap;
    QAction* miFont;

    /// The overlay menu item ("Показать ТП1" ... , "Показать шаблон", "Убрать ТП") and
    /// speed button (none for 0) of an identifier; nullptr outside 0-12.
    QAction* OverlayAction(int id) const;
    QToolButton* OverlayButton(int id) const;

    /// Redraws the picture from the log and the view state and shows it.
    void RedrawGraph();
    /// Performs the scale action of Unit and shows its button down.
    void FormShow();
    /// An overlay menu item (tag = identifier).
    void miTPn_Click(int tag);
    /// An overlay speed button, after the click has toggled it.
    void sbTP2Click(int tag);
    void sbDBClick() { SelectScale(0); }
    void sbPERClick() { SelectScale(1); }
    void sbVClick() { SelectScale(2); }
    /// A scale menu item (tag 1-3).
    void miDB1Click(int tag);
    /// "Загрузить шаблон": a template file into Template; enables sbTMPL (form_graph_template.cpp).
    void miLoadTemplClick();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildToolBar();
    void BuildMenu();
    void BuildOverlayMenu(QMenu* menu);
    void SelectScale(int unit);
    void FormResize();

    IPrompts& m_prompts;
    const core::MeasurementSession& m_session;
    std::array<QAction*, kOverlayCount> m_overlayActions{};
    std::array<QToolButton*, kOverlayCount> m_overlayButtons{};
};

} // namespace ui
