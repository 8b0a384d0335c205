// The graph window: the record log plotted against time, with its view state, scale and
// overlay choice.
#pragma once

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

    // View state, with the values a new window starts from.
    std::int16_t NumPoint = 200;    ///< record periods across the plot
    std::int16_t LeftMargin = 75;   ///< pixels left of the plot area
    std::int16_t BottomMargin = 25; ///< pixels below the plot area
    std::int16_t wQx = 8;           ///< time divisions
    std::int16_t wQy = 10;          ///< value divisions
    std::int16_t ShiftTP = 0;       ///< overlay shift, pixels
    std::int8_t bVeiwTP = 0;        ///< overlay shown
    std::uint8_t Unit = 0;          ///< 0 dB/m, 1 percent, 2 volts
    std::int16_t NScaleDB = 2;      ///< rows of the three scale tables
    std::int16_t NScalePER = 3;
    std::int16_t NScaleV = 2;
    std::uint32_t cBack = 0x000000; ///< colours 0x00BBGGRR
    std::uint32_t cMargin = 0x808080;
    std::uint32_t cGrid = 0x008000;
    std::uint32_t cFont = 0x000000;
    std::uint32_t cGrap = 0x00FFFF;

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
