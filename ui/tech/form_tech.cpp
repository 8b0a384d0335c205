// The technical panel's window: the face, the redraw timer and the values of each frame.
#include "ui/tech/form_tech.h"

#include "core/link/status_area.h"
#include "ui/common/form_style.h"
#include "ui/common/picture_box.h"
#include "ui/common/screen_place.h"
#include "ui/main/session_signals.h"
#include "ui/tech/dial_painter.h"

#include <QPainter>
#include <QShowEvent>
#include <QTimer>

namespace ui {

TFormTech::TFormTech(const core::StatusArea& status, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      iScale(DrawDialFace()), m_status(status) {
    setObjectName(QStringLiteral("FormTech"));
    setWindowTitle(QStringLiteral("Техническая панель"));
    setFont(FormFont());
    setFixedSize(InnerSize(538, 388));
    FaceV = new PictureBox(this);
    FaceV->setObjectName(QStringLiteral("FaceV"));
    FaceV->setGeometry(0, 0, core::kTechWidth, core::kTechHeight);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(core::kTechFrameMs);
    connect(Timer1, &QTimer::timeout, this, &TFormTech::Timer1Timer);
    Timer1->start();
}

void TFormTech::Follow(const SessionSignals& events) {
    connect(&events, &SessionSignals::StatusReceived, this, &TFormTech::ShowStatusReceived);
    connect(&events, &SessionSignals::LinkLost, this, &TFormTech::LinkLost);
}

void TFormTech::ShowStatusReceived() {
    if (isVisible())
        UpdateTech();
}

void TFormTech::UpdateTech() {
    m_panel.Update(m_status);
}

void TFormTech::LinkLost() {
    m_panel.LinkLost();
    if (isVisible())
        ComposeAndShow();
}

void TFormTech::Timer1Timer() {
    DrawTech();
}

void TFormTech::DrawTech() {
    m_panel.Step();
    // Hidden, the panel costs nothing but the smoothing: there is nothing to see.
    if (isVisible())
        ComposeAndShow();
}

void TFormTech::ComposeAndShow() {
    m_panel.Compose(m_status.Mode(), m_frame);
    // A fresh copy of the face for every frame; FaceV shares the finished picture, so the
    // visible image changes in one step and never shows a half-drawn frame.
    FaceNV = iScale;
    {
        QPainter painter(&FaceNV);
        PaintTechFrame(painter, m_frame);
    }
    FaceV->SetPicture(FaceNV);
}

void TFormTech::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        KeepOnScreen(this);
    // The current state at once rather than a black window until the next tick.
    ComposeAndShow();
}

} // namespace ui
