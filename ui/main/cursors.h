// The two drag cursors of the graph window, registered by the main window at start:
// 1 an open hand ("OPHAND"), 2 a closed hand ("CLHAND").
#pragma once

#include <QCursor>

namespace ui {

inline constexpr int kCursorOpenHand = 1;
inline constexpr int kCursorClosedHand = 2;

/// Registers cursors 1 and 2 (Qt's open-hand and closed-hand cursors).
void RegisterCursors();
/// A registered cursor; the arrow for an id that was not registered.
QCursor AppCursor(int id);

} // namespace ui
