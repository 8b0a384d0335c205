// A text measure with fixed metrics for drawing tests: every character (UTF-8 code point) is
// 7 pixels wide, every line 15 pixels high.
#pragma once

#include "core/graph/paint_list.h"

#include <string_view>

namespace test {

class FixedTextMeasure final : public core::TextMeasure {
public:
    static constexpr int kCharWidth = 7;
    static constexpr int kHeight = 15;

    core::TextSize Measure(std::string_view text) const override {
        int chars = 0;
        for (const char c : text)
            if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
                ++chars;
        return {chars * kCharWidth, kHeight};
    }
};

} // namespace test
