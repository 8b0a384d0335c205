// The technical panel's window and the values it takes from each status frame.
#include "ui/tech/form_tech.h"

#include "core/status_area.h"
#include "ui/common/form_style.h"
#include "ui/common/picture_box.h"

namespace ui {
namespace {

TFormTech::Dial FromBlock(const core::BlockStatus& b) {
    // 10 / 8191 with the second factor in extended precision: code 8191 reads as 10 V.
    constexpr long double kVoltsPerCode = 10 * (1.0L / 8191);
    TFormTech::Dial d;
    d.urmsVolts = static_cast<float>(b.rmsCode * kVoltsPerCode);
    d.upVolts = static_cast<float>(b.peakCode * kVoltsPerCode);
    d.tempCelsius = static_cast<float>(b.TempCelsius());
    d.thirdLevel = b.thirdLevel;
    d.kt = b.kt;
    d.faulty = b.Faulty();
    d.attenuatorStep = b.attenuatorStep;
    return d;
}

} // namespace

TFormTech::TFormTech(const core::StatusArea& status, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_status(status) {
    setObjectName(QStringLiteral("FormTech"));
    setWindowTitle(QStringLiteral("Техническая панель"));
    setFont(FormFont());
    setFixedSize(InnerSize(538, 388));
    FaceV = new PictureBox(this);
    FaceV->setObjectName(QStringLiteral("FaceV"));
    FaceV->setGeometry(0, 0, 530, 354);
}

void TFormTech::UpdateTech() {
    m_left = FromBlock(m_status.Emitter());
    m_right = FromBlock(m_status.Photodetector());
}

} // namespace ui
