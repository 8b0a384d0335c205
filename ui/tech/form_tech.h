// The technical panel: the service view of both blocks, fed by the main window with each
// status frame while it is visible.
#pragma once

#include <QWidget>

namespace core {
class StatusArea;
}

namespace ui {

class PictureBox;

class TFormTech final : public QWidget {
    Q_OBJECT
public:
    /// The values of one dial, taken from one block's status.
    struct Dial {
        float urmsVolts = 0;
        float upVolts = 0;
        float tempCelsius = 0;
        float thirdLevel = 0;
        float kt = 0;
        bool faulty = false;
        int attenuatorStep = 0;
    };

    /// Reads `status` (owned by the main window, which outlives this window). GUI thread only.
    explicit TFormTech(const core::StatusArea& status, QWidget* parent = nullptr);

    PictureBox* FaceV;

    /// Takes both blocks' values from the status area; does not draw.
    void UpdateTech();

    /// Left dial: the emitter block; right dial: the photodetector block.
    const Dial& Left() const { return m_left; }
    const Dial& Right() const { return m_right; }

private:
    const core::StatusArea& m_status;
    Dial m_left;
    Dial m_right;
};

} // namespace ui
