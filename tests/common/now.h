// A steady millisecond count for the tests, on either platform.
#pragma once

#include <chrono>
#include <cstdint>

namespace test {

/// Milliseconds since an arbitrary start.
inline std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace test
