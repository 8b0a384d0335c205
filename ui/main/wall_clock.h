// The local wall clock as the measurement session reads it.
#pragma once

#include "core/clock.h"
#include "core/date_time.h"

namespace ui {

class WallClock final : public core::IClock {
public:
    double Now() const override { return core::NowDateTime(); }
};

} // namespace ui
