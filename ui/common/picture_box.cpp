// A widget that shows a finished picture in one step.
#include "ui/common/picture_box.h"

#include <QPainter>

namespace ui {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::SetPicture(const QImage& picture) {
    m_picture = picture;
    repaint();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_picture.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(0, 0, m_picture);
}

} // namespace ui
