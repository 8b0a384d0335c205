// What the main window's mode panels show, as plain data: which panel is visible, each
// label's text and visibility, the adjustment indicator pictures and the restart button.
#pragma once

#include "core/link/status_area.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

/// Fixed texts of the mode panels (UTF-8).
namespace mode_text {
inline constexpr std::string_view kStart = "Старт";
inline constexpr std::string_view kNoLink = "Нет связи";
inline constexpr std::string_view kAdjustment = "Юстировка";
inline constexpr std::string_view kStabilisation = "Стабилизация";
inline constexpr std::string_view kMeasurement = "Измерение";
inline constexpr std::string_view kUo = "Uo=4,985В";
inline constexpr std::string_view kUaInitial = "0,000В";
inline constexpr std::string_view kStabTimeInitial = "30:00";
inline constexpr std::string_view kUiInitial = "Ui=0,000В";
inline constexpr std::string_view kDiInitial = "Di=0,000дБ/м";
inline constexpr std::string_view kEmitterNoLink = "Нет связи с блоком излучателя";
inline constexpr std::string_view kEmitterFault = "Неисправен блок излучателя";
inline constexpr std::string_view kPhotoNoLink = "Нет связи с блоком фотоприемника";
inline constexpr std::string_view kPhotoFault = "Неисправен блок фотоприемника";
inline constexpr std::string_view kNoSignal = "Сигнал не принимается";
inline constexpr std::string_view kSignalLow = "Уровень сигнала меньше нормы";
inline constexpr std::string_view kSignalHigh = "Уровень сигнала больше нормы";
} // namespace mode_text

/// Adjustment thresholds: below kAdjustLow (compared in double precision on the
/// single-precision Ui) the left arrow blinks; from kAdjustHigh (exact) the right one does.
inline constexpr double kAdjustLow = 0.8113;
inline constexpr float kAdjustHigh = 5.0f;

/// The five mode panels, front to back: pStart lies in front of all, pError at the back.
enum class Panel : std::uint8_t { Start, Work, Stab, Adjust, Error };
/// "pStart", "pWork", "pStab", "pAdjust", "pError".
std::string_view PanelName(Panel panel);

struct LabelView {
    std::string text;
    bool visible = true;
    bool operator==(const LabelView&) const = default;
};

/// The complete state of the mode panels; the main window shows exactly this.
///
/// Every label is centred horizontally in its panel (all panels fill the same client area,
/// so a label's position depends only on its text); the window centres each label whenever
/// it applies a text. The initial values are the window's state at creation.
struct ModeView {
    bool pStart = true;
    bool pWork = false;
    bool pStab = false;
    bool pAdjust = false;
    bool pError = false;

    LabelView lStart{std::string(mode_text::kStart)};
    LabelView lMode{std::string(mode_text::kAdjustment)};
    LabelView lUa{std::string(mode_text::kUaInitial)};
    LabelView lStab{std::string(mode_text::kStabilisation)};
    LabelView lStabTime{std::string(mode_text::kStabTimeInitial)};
    LabelView lUo{std::string(mode_text::kUo)};
    LabelView lUi{std::string(mode_text::kUiInitial)};
    LabelView lDi{std::string(mode_text::kDiInitial)};
    LabelView lErMode{};
    /// Before the first fault that names a cause, a faulty block reads as "Неисправен ...".
    LabelView lErBI{std::string(mode_text::kEmitterFault)};
    LabelView lErBF{std::string(mode_text::kPhotoFault)};

    /// Direction indicator of pAdjust: outline (1) and filled (3) square, left and right
    /// triangle; exactly one version of each shape is visible.
    bool iSQ1 = true;
    bool iSQ3 = false;
    bool iTrL1 = true;
    bool iTrL3 = false;
    bool iTrR1 = true;
    bool iTrR3 = false;

    /// bbRestart enabled.
    bool bbRestart = false;

    /// The panel the user sees: the front-most visible one (none when all are hidden).
    std::optional<Panel> Front() const;
    bool operator==(const ModeView&) const = default;
};

/// F(x): a value as the panels show it, FormatDecimal(x, 5, 3).
std::string FormatValue(double value);
/// The stabilisation countdown "%02d:%02d" of two signed bytes (-1 gives "-1").
std::string StabTimeText(std::int8_t minutes, std::int8_t seconds);

/// ShowFaults: shows pError with the texts of both blocks' fault bytes. A block's line is
/// visible exactly when its fault byte is non-zero; with none of its known bits set the
/// line keeps its previous text. lErMode is set by the caller.
void ShowFaults(ModeView& view, const StatusArea& status);
/// The work view of a frame with 0x80: only lUi, reading "Измерение".
void ShowMeasurement(ModeView& view);
/// The work view of a frame without 0x80: lUo and lDi shown again; with a faulty block the
/// fault panel naming "Измерение", else pWork with the "Ui=", "Uo=" and "Di=" texts. Returns
/// true when the values were shown (the frame is fault-free).
bool ShowWork(ModeView& view, const StatusArea& status);
/// The adjustment view (mode bit 0x02). Flips `blink` (0/1) when the voltage is shown.
void ShowAdjustment(ModeView& view, const StatusArea& status, std::uint16_t& blink);
/// The stabilisation view (mode bit 0x01).
void ShowStabilisation(ModeView& view, const StatusArea& status);

} // namespace core
