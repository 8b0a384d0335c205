// Fuzzes the technical panel with arbitrary status payloads (any codes, NaN and infinite
// floats), stepping and composing frames, and checks the frame stays on the picture.
#include "core/tech/tech_panel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// Every pointer end lies within the longest radius of the dial centre; truncating each
// coordinate may move it up to one pixel further in x and in y.
void CheckStroke(const core::TechStroke& s, int cx) {
    const double limit = core::kThirdLevelMark.r1 + std::sqrt(2.0);
    for (const auto& [x, y] :
         {std::pair{s.segment.x1, s.segment.y1}, std::pair{s.segment.x2, s.segment.y2}})
        Check(std::hypot(x - cx, y - core::kDialCentreY) <= limit);
}

void CheckFrame(const core::TechPanel& panel, const core::TechFrame& f) {
    const core::TechDial* dials[] = {&panel.Left(), &panel.Right()};
    for (std::size_t i = 0; i < 2; ++i) {
        const core::DialFrame& d = f.dials[i];
        const core::DialValues& v = dials[i]->Values();
        const int cx = dials[i]->Layout().cx;
        CheckStroke(d.rms, cx);
        CheckStroke(d.peak, cx);
        Check(d.hasThirdLevel == (std::isfinite(v.thirdLevel) && v.thirdLevel > 1));
        if (d.hasThirdLevel)
            CheckStroke(d.thirdLevel, cx);
        for (const core::TechText& t : d.lines)
            Check(!t.text.empty() && t.centred && t.x == cx);
        Check(d.lines[3].text == (v.faulty ? core::tech_text::kAlarm : core::tech_text::kNormal));
        Check(d.att.text.size() >= 8 && d.kt.text.size() > 3); // "Атт=" and a digit at least
    }
    Check(!f.mode.text.empty());
}

} // namespace

// Input: blocks of up to 63 status bytes, each followed by one byte giving the number of
// frames (0..15) to step before composing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    core::TechPanel panel;
    core::StatusArea status;
    core::TechFrame frame;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t n = std::min(core::kStatusPayloadSize, size - at);
        status.CopyPayload(data + at, n);
        at += n;
        const int steps = at < size ? data[at++] & 0x0F : 1;
        panel.Update(status);
        for (int i = 0; i < steps; ++i)
            panel.Step();
        panel.Compose(status.Mode(), frame);
        CheckFrame(panel, frame);
    }
    return 0;
}
