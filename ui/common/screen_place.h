// Keeps a window wholly on one of the screens (core::PlaceOnScreen over the screens' available
// areas), so that no part of it, such as the main window's status bar, is out of reach.
#pragma once

class QWidget;

namespace ui {

/// Moves the top-level `window` by the least distance that puts its outer rectangle (the
/// frame included) wholly on an available screen; a window that lies on one already stays
/// exactly where it is. A window that was never positioned is left to the window manager.
void KeepOnScreen(QWidget* window);

} // namespace ui
