// The graph window: the record log plotted against time, with its view state, scale and
// overlay choice, zoom, pan and overlay drag, picture saving and colours.
#pragma once

#include "core/graph/graph_mouse.h"
#include "core/graph/graph_plot.h"
#include "core/graph/graph_readout.h"
#include "core/graph/graph_view.h"
#include "core/graph/paint_list.h"
#include "core/graph/template_store.h"

#include <QColor>
#include <QImage>
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QAction;
class QActionGroup;
class QLabel;
class QTimer;
class QToolBar;
class QToolButton;

namespace core {
class IPrompts;
class MeasurementSession;
struct ZoomStep;
} // namespace core

namespace ui {

class PictureBox;
class SessionSignals;

class TFormGraph final : public QMainWindow {
    Q_OBJECT
public:
    /// Overlay identifiers (bVeiwTP): 0 none, 1-9/11/12 a test fire, 10 the template.
    static constexpr int kOverlayCount = 13;
    /// The save dialog's filter; the entry that writes PNG (1-based), the others write BMP.
    static constexpr const char* kPictureFilter =
        "BMP (*.bmp)|*.bmp|PNG (*.png)|*.png|all (*.*)|*.*";
    static constexpr int kPngFilterEntry = 2;

    /// Reads the record log and parameters of `session` (owned by the main window, which
    /// outlives this window). GUI thread only.
    TFormGraph(core::IPrompts& prompts, const core::MeasurementSession& session,
               QWidget* parent = nullptr);
    ~TFormGraph() override;

    /// Follows the session from now on: while visible, redrawn after each new record, a
    /// loaded log and an edit of the test, and the "Ti=" label; redrawn whenever the log is
    /// emptied and the "Li=" label when the distance is settled, visible or not.
    void Follow(const SessionSignals& events);

    /// Stored view state (scale, margins, overlay, colours), with the values a new window
    /// starts from; the settings file reads and writes it.
    core::GraphView View;
    /// Pan and overlay drag state (PanPoints, ShiftTP ...); not stored.
    core::GraphMouse Mouse;
    /// The readout: the mouse over the plot and the reference point a click set; not stored.
    core::GraphCursor Cursor;
    /// The loaded template (overlay 10): filled by "Загрузить шаблон", drawn by the redraw.
    core::TemplateStore Template;
    /// Called with the new fire start (log seconds) while the fire test's anchored band is
    /// dragged; the owner of the session moves the start. The picture is redrawn afterwards.
    std::function<void(double)> FireStartDragged;

    QToolBar* ToolBar1;
    QToolButton* bbSave;
    QToolButton* bbExp;
    QToolButton* bbCont;
    QToolButton* bbExpY;
    QToolButton* bbContY;
    QToolButton* sbAutoY; ///< "Авто": the value scale follows the data
    QToolButton* sbDB;
    QToolButton* sbPER;
    QToolButton* sbV;
    QWidget* Panel1;
    QLabel* lVal;
    QLabel* lTime;
    QLabel* lDist;
    QImage iImg; ///< the off-screen picture, W x H: what is saved and copied
    PictureBox* iDisplay;
    QTimer* Timer1; ///< 500 ms cursor watch

    QAction* miLoadTempl;
    QAction* mSave;
    QAction* miCopy; ///< "Копировать", Ctrl+C: the picture to the clipboard
    QAction* miReport;
    QAction* miSizeXExp;
    QAction* miSizeXCont;
    QAction* miSizeXExpY;
    QAction* miSizeXContY;
    QAction* miAutoY;
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
    /// The value range of the last redraw.
    float YMin() const { return m_plot.YMin(); }
    float YMax() const { return m_plot.YMax(); }
    /// The primitives of the last redraw.
    const core::PaintList& Paint() const { return m_paint; }
    /// The primitives of the readout shown over it (empty without cursor and reference).
    const core::PaintList& ReadoutPaint() const { return m_readoutPaint; }

    /// Redraws the picture from the log and the view state and shows it.
    void RedrawGraph();
    /// Performs the scale action of Unit and shows its button down.
    void FormShow();
    /// Sizes the pictures to the area below the toolbar and redraws.
    void FormResize();

    // Zoom (time: "Ось X"; value: "Ось Y").
    void miSizeXExp_Click();
    void miSizeXCont_Click();
    void bbExpYClick();
    void bbContYClick();
    /// "Авто" switched on or off (button or menu item).
    void sbAutoYClick(bool on);
    // Scale.
    void sbDBClick() { SelectScale(0); }
    void sbPERClick() { SelectScale(1); }
    void sbVClick() { SelectScale(2); }
    /// A scale menu item (tag 1-3).
    void miDB1Click(int tag);
    // Overlay.
    /// An overlay menu item (tag = identifier).
    void miTPn_Click(int tag);
    /// An overlay speed button, after the click has toggled it.
    void sbTP2Click(int tag);
    // Picture and colours.
    void mSaveClick();
    /// "Копировать": the picture, as it would be saved, onto the clipboard.
    void miCopyClick();
    void miGridClick() { ChooseColour(View.cGrid); }
    void miBackClick() { ChooseColour(View.cBack); }
    void miScaleClick() { ChooseColour(View.cMargin); }
    void miGrapClick() { ChooseColour(View.cGrap); }
    void miFontClick() { ChooseColour(View.cFont); }
    /// The colour the colour dialog opens with: the one last chosen in it.
    QColor ColorDialog1Colour() const { return m_dialogColour; }
    // Mouse (picture pixels) and cursor watch.
    void iDisplayMouseDown(bool shift, int x, int y);
    void iDisplayMouseMove(int x, int y);
    void iDisplayMouseUp();
    void ToolBar1MouseMove();
    void FormMouseMove();
    void Timer1Timer();
    /// The mouse left the picture: the readout box goes (form_graph_readout.cpp).
    void iDisplayMouseLeave();
    /// Esc: the reference point goes.
    void ClearReference();
    /// "Загрузить шаблон": a template file into Template; enables sbTMPL (form_graph_template.cpp).
    void miLoadTemplClick();
    /// "Отчёт…": the test report of the log and its test as a PDF at a file name asked for
    /// (form_graph_report.cpp).
    void miReportClick();

signals:
    /// An overlay was chosen ("Показать ТП1" ... , "Показать шаблон", "Убрать ТП", a speed
    /// button, or the settings at start): `id` is the new bVeiwTP. A test fire chosen here is
    /// the fire of the test.
    void OverlayChosen(int id);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolBar();
    void BuildMenu();
    void BuildOverlayMenu(QMenu* menu);
    void ConnectControls();
    void SelectScale(int unit);
    void ApplyTimeZoom(const core::ZoomStep& step);
    void ApplyValueZoom(const core::ZoomStep& step);
    /// The "Авто" controls checked as View.AutoY says, and with it on the value zoom controls
    /// enabled as for the row it chose.
    void ShowAutoScale();
    void ChooseColour(std::uint32_t& field);
    core::MouseContext MouseState() const;
    void ApplyMouse(const core::MouseOutcome& outcome);
    void SetScreenCursor(core::ScreenCursor cursor);
    void ShowReadout();
    /// The picture on iDisplay: iImg, with the readout composed over a copy of it when the
    /// mouse is over the plot or a reference point is set.
    void ShowPicture();
    bool InPlot(int x, int y) const;
    std::optional<int> NearestRecordAt(int x) const;
    void ShowDistance();
    /// Another log took the place of the one shown: its pan goes with it.
    void FollowLog();
    void RedrawWhileVisible();
    void ShowElapsedTime(const QString& text);

    core::IPrompts& m_prompts;
    const core::MeasurementSession& m_session;
    core::GraphPlot m_plot;
    core::PaintList m_paint;
    core::RecordRange m_range; ///< the records of the last redraw
    core::PaintList m_readoutPaint;
    QImage m_shown; ///< iImg with the readout over it
    QColor m_dialogColour{Qt::black};
    bool m_cursorSet = false;  ///< this window's override cursor is on the application's stack
    bool m_dragging = false;   ///< a drag moves the fire start; the drag redraws by itself
    std::uint32_t m_logNumber; ///< the session's log the pan belongs to
    std::array<QAction*, kOverlayCount> m_overlayActions{};
    std::array<QToolButton*, kOverlayCount> m_overlayButtons{};
};

} // namespace ui
