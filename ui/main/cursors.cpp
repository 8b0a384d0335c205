// The registered drag cursors.
#include "ui/main/cursors.h"

#include <map>

namespace ui {
namespace {

std::map<int, QCursor>& Registry() {
    static std::map<int, QCursor> cursors; // GUI thread only
    return cursors;
}

} // namespace

void RegisterCursors() {
    Registry()[kCursorOpenHand] = QCursor(Qt::OpenHandCursor);
    Registry()[kCursorClosedHand] = QCursor(Qt::ClosedHandCursor);
}

QCursor AppCursor(int id) {
    const auto it = Registry().find(id);
    return it == Registry().end() ? QCursor(Qt::ArrowCursor) : it->second;
}

} // namespace ui
