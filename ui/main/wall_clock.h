// The system's clocks as the measurement session reads them.
#pragma once

#include "core/common/clock.h"
#include "core/common/date_time.h"

namespace ui {

class WallClock final : public core::IClock {
public:
    double Now() const override { return core::NowDateTime(); }
    std::int64_t SteadyMs() const override { return core::SteadyNowMs(); }
};

} // namespace ui
