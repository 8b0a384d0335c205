// The screens' available areas for core::PlaceOnScreen.
#include "ui/common/screen_place.h"

#include "core/common/window_placement.h"
#include "ui/common/form_style.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <vector>

namespace ui {

void KeepOnScreen(QWidget* window) {
    if (!window || !window->testAttribute(Qt::WA_Moved))
        return;
    std::vector<core::PlaceRect> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    const auto add = [&screens](const QScreen* screen) {
        const QRect a = screen->availableGeometry();
        screens.push_back({a.x(), a.y(), a.width(), a.height()});
    };
    if (primary)
        add(primary);
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary)
            add(screen);
    }
    // Before the window manager has framed it, the frame is the standard one of the forms.
    const QSize outer = (window->size() + kFrameExtra).expandedTo(window->frameGeometry().size());
    const core::PlaceRect placed =
        core::PlaceOnScreen({window->x(), window->y(), outer.width(), outer.height()}, screens);
    if (placed.left != window->x() || placed.top != window->y())
        window->move(placed.left, placed.top);
}

} // namespace ui
