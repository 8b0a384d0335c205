// The poll-period dialog: seconds between records, 1 to 30.
#pragma once

#include "ui/dialogs/param_dialog.h"

#include <cstdint>
#include <functional>

namespace ui {

class TFormTime final : public ParamDialog {
    Q_OBJECT
public:
    /// `storePeriod` writes an accepted period (seconds) back into the main window.
    TFormTime(core::IPrompts& prompts, std::function<void(std::uint16_t)> storePeriod,
              QWidget* parent = nullptr);

    QLineEdit* ePeriod;

    void bOkClick() override;

private:
    std::function<void(std::uint16_t)> m_storePeriod;
};

} // namespace ui
