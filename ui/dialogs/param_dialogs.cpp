// Validation of the distance and period entries.
#include "core/session/measurement_params.h"
#include "ui/dialogs/form_dist.h"
#include "ui/dialogs/form_time.h"

#include <QLineEdit>

namespace ui {

TFormDist::TFormDist(core::IPrompts& prompts, std::function<void(float)> storeDist, QWidget* parent)
    : ParamDialog(prompts, QStringLiteral("Длина зоны"), QStringLiteral("измерения,  м"),
                  QStringLiteral("eDist"), 5, QStringLiteral("1,0"), parent),
      eDist(Edit()), m_storeDist(std::move(storeDist)) {
    setObjectName(QStringLiteral("FormDist"));
}

void TFormDist::bOkClick() {
    const core::ParamEntry<float> entry = core::CheckDistEntry(eDist->text().toStdString());
    if (Judge(entry.verdict, entry.message, entry.corrected)) {
        m_storeDist(entry.value);
        accept();
    }
}

TFormTime::TFormTime(core::IPrompts& prompts, std::function<void(std::uint16_t)> storePeriod,
                     QWidget* parent)
    : ParamDialog(prompts, QStringLiteral("Период опроса"), QStringLiteral("ВЕЛС-5,   сек."),
                  QStringLiteral("ePeriod"), 2, QStringLiteral("1"), parent),
      ePeriod(Edit()), m_storePeriod(std::move(storePeriod)) {
    setObjectName(QStringLiteral("FormTime"));
}

void TFormTime::bOkClick() {
    const core::ParamEntry<std::uint16_t> entry =
        core::CheckPeriodEntry(ePeriod->text().toStdString());
    if (Judge(entry.verdict, entry.message, entry.corrected)) {
        m_storePeriod(entry.value);
        accept();
    }
}

} // namespace ui
