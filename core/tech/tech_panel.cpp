// The technical panel: dial values from the status area, smoothing, and each frame's lines.
#include "core/tech/tech_panel.h"

#include "core/common/format.h"

#include <cmath>
#include <string>
#include <utility>

namespace core {
namespace {

// Every value of the panel reads with 3 decimals and 5 significant digits; Kt with 4.
std::string Value(float v) {
    return FormatDecimal(v, 5, 3);
}

TechStroke Pointer(double value, int cx, const PointerStyle& style) {
    return {PointerSegment(value, cx, kDialCentreY, style.r1, style.r2), style.colour, style.width};
}

void SetText(TechText& t, std::string text, std::uint32_t colour, int x, int y, bool centred) {
    t.text = std::move(text);
    t.colour = colour;
    t.x = x;
    t.y = y;
    t.centred = centred;
}

// Without a link the pointers still move (back to 0) but nothing else is shown.
void ComposeDialWithoutValues(const TechDial& dial, DialFrame& f) {
    const DialLayout& l = dial.Layout();
    f.rms = Pointer(dial.SmoothedRms(), l.cx, kRmsPointer);
    f.peak = Pointer(dial.SmoothedPeak(), l.cx, kPeakPointer);
    f.hasThirdLevel = false;
    f.thirdLevel = TechStroke{};
    for (std::size_t i = 0; i < f.lines.size(); ++i)
        SetText(f.lines[i], std::string(), f.lines[i].colour, l.cx, kDialTextRows[i], true);
    SetText(f.att, std::string(), tech_colour::kWhite, l.attX, kBottomTextRow, false);
    SetText(f.kt, std::string(), tech_colour::kWhite, l.ktX, kBottomTextRow, false);
}

void ComposeDial(const TechDial& dial, DialFrame& f) {
    const DialLayout& l = dial.Layout();
    const DialValues& v = dial.Values();
    f.rms = Pointer(dial.SmoothedRms(), l.cx, kRmsPointer);
    f.peak = Pointer(dial.SmoothedPeak(), l.cx, kPeakPointer);
    // A level that is not a number (or infinite) has no angle: it draws no mark.
    f.hasThirdLevel = std::isfinite(v.thirdLevel) && v.thirdLevel > 1;
    f.thirdLevel = f.hasThirdLevel ? Pointer(v.thirdLevel, l.cx, kThirdLevelMark) : TechStroke{};
    const auto& rows = kDialTextRows;
    SetText(f.lines[0], "Urms=" + Value(v.urmsVolts) + "В", tech_colour::kYellow, l.cx, rows[0],
            true);
    SetText(f.lines[1], "Up=" + Value(v.upVolts) + "В", tech_colour::kGreen, l.cx, rows[1], true);
    SetText(f.lines[2], Value(v.tempCelsius) + "°C", tech_colour::kRed, l.cx, rows[2], true);
    if (v.faulty)
        SetText(f.lines[3], std::string(tech_text::kAlarm), tech_colour::kRed, l.cx, rows[3], true);
    else
        SetText(f.lines[3], std::string(tech_text::kNormal), tech_colour::kGreen, l.cx, rows[3],
                true);
    SetText(f.att, "Атт=" + std::to_string(v.attenuatorStep), tech_colour::kWhite, l.attX,
            kBottomTextRow, false);
    SetText(f.kt, "Kt=" + FormatDecimal(v.kt, 5, 4), tech_colour::kWhite, l.ktX, kBottomTextRow,
            false);
}

} // namespace

float TechVolts(std::uint16_t code) {
    constexpr long double kPerCode = 1.0L / 8191;
    return static_cast<float>(code * 10 * kPerCode);
}

DialValues DialValuesOf(const BlockStatus& block) {
    DialValues v;
    v.urmsVolts = TechVolts(block.rmsCode);
    v.upVolts = TechVolts(block.peakCode);
    v.tempCelsius = static_cast<float>(block.tempCode / 256.0);
    v.thirdLevel = block.thirdLevel;
    v.kt = block.kt;
    v.faulty = block.Faulty();
    v.attenuatorStep = block.attenuatorStep;
    return v;
}

float SmoothStep(float pointer, float target) {
    return static_cast<float>(pointer + (static_cast<double>(target) - pointer) * kSmoothing);
}

void TechDial::Step() {
    m_smoothedRms = SmoothStep(m_smoothedRms, m_values.urmsVolts);
    m_smoothedPeak = SmoothStep(m_smoothedPeak, m_values.upVolts);
}

std::string_view TechModeText(std::uint8_t mode) {
    std::string_view text = tech_text::kNoLink;
    if (mode & mode_bit::kStart)
        text = tech_text::kStart;
    if (mode & mode_bit::kStabilisation)
        text = tech_text::kStabilisation;
    if (mode & mode_bit::kWork)
        text = tech_text::kWork;
    if (mode & mode_bit::kAdjustment)
        text = tech_text::kAdjustment;
    return text;
}

void TechPanel::Update(const StatusArea& status) {
    m_left.Update(status.Emitter());
    m_right.Update(status.Photodetector());
    m_linkLost = false;
}

void TechPanel::LinkLost() {
    m_left.Clear();
    m_right.Clear();
    m_linkLost = true;
}

void TechPanel::Step() {
    m_left.Step();
    m_right.Step();
}

void TechPanel::Compose(std::uint8_t mode, TechFrame& frame) const {
    if (m_linkLost) {
        // The status area still holds the last frame; none of it is current any more.
        ComposeDialWithoutValues(m_left, frame.dials[0]);
        ComposeDialWithoutValues(m_right, frame.dials[1]);
        mode = 0;
    } else {
        ComposeDial(m_left, frame.dials[0]);
        ComposeDial(m_right, frame.dials[1]);
    }
    SetText(frame.mode, std::string(TechModeText(mode)), tech_colour::kWhite, kTechWidth / 2,
            kModeTextRow, true);
}

} // namespace core
