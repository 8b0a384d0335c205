// Validation of the distance and period entries.
#include "core/format.h"
#include "ui/dialogs/form_dist.h"
#include "ui/dialogs/form_time.h"

#include <QLineEdit>

namespace ui {

TFormDist::TFormDist(IPrompts& prompts, std::function<void(float)> storeDist, QWidget* parent)
    : ParamDialog(prompts, QStringLiteral("Длина зоны"), QStringLiteral("измерения,  м"),
                  QStringLiteral("eDist"), 5, QStringLiteral("1,0"), parent),
      eDist(Edit()), m_storeDist(std::move(storeDist)) {
    setObjectName(QStringLiteral("FormDist"));
}

void TFormDist::bOkClick() {
    const auto value = core::ParseDecimal(eDist->text().toStdString());
    if (!value) {
        ConversionError(value.error);
        return;
    }
    // The limits are compared on the 32-bit value, so "0,3" itself is accepted.
    const float dist = static_cast<float>(*value.value);
    if (dist > 10.0f) {
        Refuse(QStringLiteral("Больше 10 метров"), QStringLiteral("10,0"));
    } else if (dist >= 0.3f) {
        m_storeDist(dist);
        accept();
    } else {
        Refuse(QStringLiteral("Меньше 0,3 метров"), QStringLiteral("0,3"));
    }
}

TFormTime::TFormTime(IPrompts& prompts, std::function<void(std::uint16_t)> storePeriod,
                     QWidget* parent)
    : ParamDialog(prompts, QStringLiteral("Период опроса"), QStringLiteral("ВЕЛС-5,   сек."),
                  QStringLiteral("ePeriod"), 2, QStringLiteral("1"), parent),
      ePeriod(Edit()), m_storePeriod(std::move(storePeriod)) {
    setObjectName(QStringLiteral("FormTime"));
}

void TFormTime::bOkClick() {
    const auto value = core::ParseInteger(ePeriod->text().toStdString());
    if (!value) {
        ConversionError(value.error);
        return;
    }
    if (*value.value > 30) {
        Refuse(QStringLiteral("Больше 30 секунд"), QStringLiteral("30"));
    } else if (*value.value < 1) {
        Refuse(QStringLiteral("Меньше 1 секунды"), QStringLiteral("1"));
    } else {
        m_storePeriod(static_cast<std::uint16_t>(*value.value));
        accept();
    }
}

} // namespace ui
