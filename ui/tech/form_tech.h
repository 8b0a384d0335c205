// The technical panel: two dials, one per block, redrawn every 200 ms from the values of each
// status frame received while it is visible.
#pragma once

#include "core/tech/tech_panel.h"

#include <QImage>
#include <QWidget>

class QTimer;

namespace core {
class StatusArea;
}

namespace ui {

class PictureBox;
class SessionSignals;

class TFormTech final : public QWidget {
    Q_OBJECT
public:
    /// The values of one dial, taken from one block's status.
    using Dial = core::DialValues;

    /// FormCreate: builds the window, draws the dial face and starts Timer1, which runs for
    /// the window's whole life. Reads `status` (owned by the main window, which outlives
    /// this window). GUI thread only.
    explicit TFormTech(const core::StatusArea& status, QWidget* parent = nullptr);

    /// Follows the session from now on: UpdateTech for each status frame while visible,
    /// LinkLost whenever the link is lost.
    void Follow(const SessionSignals& events);

    /// The dial face, drawn once.
    const QImage iScale;
    /// The visible picture; each finished frame is copied onto it in one step.
    PictureBox* FaceV;
    QTimer* Timer1; ///< 200 ms redraw timer

    /// Takes both blocks' values from the status area; does not draw.
    void UpdateTech();
    /// No frames come any more: "Нет сязи" and no values until the next UpdateTech; shown at
    /// once while the window is visible.
    void LinkLost();
    void Timer1Timer();
    /// Moves the pointers one frame on and, while the window is visible, composes the frame
    /// on FaceNV over a fresh copy of iScale and copies it onto FaceV.
    void DrawTech();

    /// Left dial: the emitter block; right dial: the photodetector block.
    const Dial& Left() const { return m_panel.Left().Values(); }
    const Dial& Right() const { return m_panel.Right().Values(); }
    const core::TechPanel& Panel() const { return m_panel; }
    /// The last frame composed.
    const core::TechFrame& Frame() const { return m_frame; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ComposeAndShow();
    void ShowStatusReceived();

    const core::StatusArea& m_status;
    core::TechPanel m_panel;
    core::TechFrame m_frame;
    QImage FaceNV;
};

} // namespace ui
