// Mode panels: the work, adjustment, stabilisation and fault views of a status frame.
#include "core/session/mode_view.h"

#include "core/common/format.h"

#include <cstdio>

namespace core {
namespace {

constexpr std::uint8_t kNoLinkBit = 0x01;
constexpr std::uint8_t kFaultBit = 0x02;
constexpr std::uint8_t kNoSignalBit = 0x04;
constexpr std::uint8_t kSignalLowBit = 0x08;
constexpr std::uint8_t kSignalHighBit = 0x10;

void SetText(LabelView& label, std::string_view text) {
    label.text.assign(text);
}

void ShowEmitterFault(LabelView& label, std::uint8_t faults) {
    label.visible = faults != 0;
    if (faults & kNoLinkBit)
        SetText(label, mode_text::kEmitterNoLink);
    else if (faults & kFaultBit)
        SetText(label, mode_text::kEmitterFault);
}

void ShowPhotodetectorFault(LabelView& label, std::uint8_t faults) {
    label.visible = faults != 0;
    if (faults & kNoLinkBit) {
        SetText(label, mode_text::kPhotoNoLink);
    } else if (faults & kFaultBit) {
        SetText(label, mode_text::kPhotoFault);
    } else {
        // Applied in this order, so the highest signal-level bit that is set wins.
        if (faults & kNoSignalBit)
            SetText(label, mode_text::kNoSignal);
        if (faults & kSignalLowBit)
            SetText(label, mode_text::kSignalLow);
        if (faults & kSignalHighBit)
            SetText(label, mode_text::kSignalHigh);
    }
}

// One blinking arrow: filled while blink is 1, outline while 0.
void SetArrow(bool& outline, bool& filled, bool blinking, std::uint16_t blink) {
    filled = blinking && blink == 1;
    outline = !filled;
}

} // namespace

std::string_view PanelName(Panel panel) {
    switch (panel) {
    case Panel::Start:
        return "pStart";
    case Panel::Work:
        return "pWork";
    case Panel::Stab:
        return "pStab";
    case Panel::Adjust:
        return "pAdjust";
    case Panel::Error:
        return "pError";
    }
    return "";
}

std::optional<Panel> ModeView::Front() const {
    if (pStart)
        return Panel::Start;
    if (pWork)
        return Panel::Work;
    if (pStab)
        return Panel::Stab;
    if (pAdjust)
        return Panel::Adjust;
    if (pError)
        return Panel::Error;
    return std::nullopt;
}

std::string FormatValue(double value) {
    return FormatDecimal(value, 5, 3);
}

std::string StabTimeText(std::int8_t minutes, std::int8_t seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes, seconds);
    return text;
}

void ShowFaults(ModeView& view, const StatusArea& status) {
    view.pError = true;
    ShowEmitterFault(view.lErBI, status.Emitter().faults);
    ShowPhotodetectorFault(view.lErBF, status.Photodetector().faults);
}

void ShowMeasurement(ModeView& view) {
    view.lUo.visible = false;
    view.lDi.visible = false;
    SetText(view.lUi, mode_text::kMeasurement);
}

bool ShowWork(ModeView& view, const StatusArea& status) {
    if (!view.lUo.visible) {
        view.lUo.visible = true;
        view.lDi.visible = true;
    }
    if (status.AnyFault()) {
        view.pWork = false;
        SetText(view.lErMode, mode_text::kMeasurement);
        ShowFaults(view, status);
        return false;
    }
    view.pWork = true;
    view.pError = false;
    view.lUi.text = "Ui=" + FormatValue(status.Ui()) + "В";
    SetText(view.lUo, mode_text::kUo);
    // The unit is "дБ" here although the initial text reads "дБ/м": the meter's Di is an
    // attenuation, not a density.
    view.lDi.text = "Di=" + FormatValue(status.Di()) + "дБ";
    return true;
}

void ShowAdjustment(ModeView& view, const StatusArea& status, std::uint16_t& blink) {
    SetText(view.lMode, mode_text::kAdjustment);
    if (status.AnyFault()) {
        view.pAdjust = false;
        SetText(view.lErMode, mode_text::kAdjustment);
        ShowFaults(view, status);
        return;
    }
    view.pAdjust = true;
    view.pError = false;
    if (status.AdjustBlank() != 0) {
        view.iSQ1 = view.iTrL1 = view.iTrR1 = true;
        view.iSQ3 = view.iTrL3 = view.iTrR3 = false;
        view.lUa.visible = false;
        return;
    }
    const float ui = status.Ui();
    view.lUa.visible = true;
    view.lUa.text = FormatValue(ui) + "В";
    blink ^= 1;
    // The low threshold is a double: the float nearest 0.8113 lies below it and counts as low.
    const bool low = static_cast<double>(ui) < kAdjustLow;
    const bool inRange = !low && ui < kAdjustHigh;
    const bool high = !low && !inRange;
    SetArrow(view.iTrL1, view.iTrL3, low, blink);
    view.iSQ3 = inRange;
    view.iSQ1 = !inRange;
    SetArrow(view.iTrR1, view.iTrR3, high, blink);
}

void ShowStabilisation(ModeView& view, const StatusArea& status) {
    if (status.AnyFault()) {
        view.pStab = false;
        SetText(view.lErMode, mode_text::kStabilisation);
        ShowFaults(view, status);
        return;
    }
    view.pStab = true;
    view.pError = false;
    view.lStabTime.text = StabTimeText(status.StabMinutes(), status.StabSeconds());
}

} // namespace core
