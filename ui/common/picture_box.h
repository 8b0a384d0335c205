// A widget that shows a finished picture in one step: the visible half of the
// off-screen/visible picture pairs (iDisplay of the graph, FaceV of the technical panel).
#pragma once

#include <QImage>
#include <QWidget>

namespace ui {

class PictureBox final : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    /// Copies `picture` and repaints at once.
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

} // namespace ui
