// The distance dialog: the metres between the two blocks, 0.3 to 10.
#pragma once

#include "ui/dialogs/param_dialog.h"

#include <functional>

namespace ui {

class TFormDist final : public ParamDialog {
    Q_OBJECT
public:
    /// `storeDist` writes an accepted distance (metres) back into the main window.
    TFormDist(core::IPrompts& prompts, std::function<void(float)> storeDist,
              QWidget* parent = nullptr);

    QLineEdit* eDist;

    void bOkClick() override;

private:
    std::function<void(float)> m_storeDist;
};

} // namespace ui
