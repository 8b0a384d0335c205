// The technical panel's logic: what each of its two dials shows of its block, the pointer
// smoothing, and the pointers and texts of each frame on the 530 x 354 picture.
#pragma once

#include "core/link/status_area.h"
#include "core/tech/dial_geometry.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

/// Fixed texts of the panel (UTF-8). The panel spells its no-mode line "Нет сязи" (the main
/// window's text is "Нет связи"); the spelling is kept as it is.
namespace tech_text {
inline constexpr std::string_view kNoLink = "Нет сязи";
inline constexpr std::string_view kStart = "Старт";
inline constexpr std::string_view kStabilisation = "Стабилизация";
inline constexpr std::string_view kWork = "Измерение";
inline constexpr std::string_view kAdjustment = "Юстировка";
inline constexpr std::string_view kNormal = "Норма";
inline constexpr std::string_view kAlarm = "АВАРИЯ";
inline constexpr std::string_view kControlChannel = "КОНТРОЛЬНЫЙ КАНАЛ";
inline constexpr std::string_view kMeasuringChannel = "ИЗМЕРИТЕЛЬНЫЙ КАНАЛ";
} // namespace tech_text

/// Colours of the panel, 0x00BBGGRR.
namespace tech_colour {
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kRed = 0x0000FF;
inline constexpr std::uint32_t kGreen = 0x00FF00;
inline constexpr std::uint32_t kYellow = 0x00FFFF;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kFrameGrey = 0xC0C0C0; ///< frame lines, (192, 192, 192)
} // namespace tech_colour

/// The panel's picture, pixels.
inline constexpr int kTechWidth = 530;
inline constexpr int kTechHeight = 354;
/// Both dial centres lie on this row.
inline constexpr int kDialCentreY = 190;
/// The redraw period; each frame closes kSmoothing of a pointer's gap to its target.
inline constexpr int kTechFrameMs = 200;
inline constexpr double kSmoothing = 0.2;

/// Where one dial and its texts sit on the picture.
struct DialLayout {
    int cx;                   ///< dial centre column; the four text lines centre on it
    int attX;                 ///< left edge of "Атт=" in the bottom strip
    int ktX;                  ///< left edge of "Kt=" in the bottom strip
    std::string_view caption; ///< red caption at the top of the dial's panel
};
/// Left: the emitter block. Right: the photodetector block.
inline constexpr DialLayout kLeftDial{134, 150, 10, tech_text::kControlChannel};
inline constexpr DialLayout kRightDial{396, 412, 274, tech_text::kMeasuringChannel};

/// Rows of the four text lines under each dial, and of the bottom strip and the mode line.
inline constexpr std::array<int, 4> kDialTextRows{230, 250, 270, 290};
inline constexpr int kBottomTextRow = 326;
inline constexpr int kModeTextRow = 10;

/// One pointer: from radius r1 to radius r2, a solid pen of the colour and width.
struct PointerStyle {
    double r1;
    double r2;
    std::uint32_t colour;
    int width;
};
inline constexpr PointerStyle kRmsPointer{100, 15, tech_colour::kYellow, 3};
inline constexpr PointerStyle kPeakPointer{105, 65, tech_colour::kGreen, 1};
/// Drawn only for a third level above 1.
inline constexpr PointerStyle kThirdLevelMark{110, 85, tech_colour::kWhite, 1};

/// The values one dial shows, all float32 as the panel keeps them.
struct DialValues {
    float urmsVolts = 0;
    float upVolts = 0;
    float tempCelsius = 0;
    float thirdLevel = 0; ///< as received; marked only when above 1
    float kt = 0;
    bool faulty = false; ///< the block's own fault byte is non-zero
    int attenuatorStep = 0;
    bool operator==(const DialValues&) const = default;
};

/// Volts of a voltage code: code x 10 x (1/8191), the second factor in extended precision,
/// so 8191 reads as exactly 10 V.
float TechVolts(std::uint16_t code);
/// A block's values as its dial shows them: temperature = signed code / 256.
DialValues DialValuesOf(const BlockStatus& block);

/// One smoothing frame: `pointer` moves a fifth of the way to `target`.
float SmoothStep(float pointer, float target);

/// One dial: its layout, the latest values of its block and its two smoothed pointers
/// (yellow RMS, green peak), which start at 0.
class TechDial {
public:
    explicit TechDial(const DialLayout& layout) : m_layout(layout) {}

    /// Takes the block's values (UpdateTech); pointers keep their positions.
    void Update(const BlockStatus& block) { m_values = DialValuesOf(block); }
    /// Forgets the block's values: they read 0 again, so the pointers fall back towards 0.
    void Clear() { m_values = DialValues{}; }
    /// One 200 ms frame: both pointers close a fifth of their gap.
    void Step();

    const DialLayout& Layout() const { return m_layout; }
    const DialValues& Values() const { return m_values; }
    float SmoothedRms() const { return m_smoothedRms; }
    float SmoothedPeak() const { return m_smoothedPeak; }

private:
    DialLayout m_layout;
    DialValues m_values;
    float m_smoothedRms = 0;
    float m_smoothedPeak = 0;
};

/// A line of text on the picture. Centred: its left edge is x - width div 2; otherwise x is
/// the left edge. y is the top of the text cell; the cell is filled black under the text.
struct TechText {
    std::string text; ///< UTF-8
    std::uint32_t colour = tech_colour::kWhite;
    int x = 0;
    int y = 0;
    bool centred = false;
    bool operator==(const TechText&) const = default;

    /// The left edge for a text `width` pixels wide.
    int Left(int width) const { return centred ? x - width / 2 : x; }
};

/// A pointer line as drawn.
struct TechStroke {
    Segment segment{};
    std::uint32_t colour = 0;
    int width = 1;
    bool operator==(const TechStroke&) const = default;
};

/// What one dial adds to a frame, in drawing order.
struct DialFrame {
    TechStroke rms;
    TechStroke peak;
    bool hasThirdLevel = false;
    TechStroke thirdLevel;
    /// Urms, Up, temperature, state: centred on the dial at kDialTextRows.
    std::array<TechText, 4> lines;
    TechText att;
    TechText kt;
};

/// A whole frame over the dial face: the left dial, the right dial, the mode line.
/// Reused from frame to frame.
struct TechFrame {
    std::array<DialFrame, 2> dials;
    TechText mode;
};

/// The mode line: "Нет сязи", replaced by "Старт" with bit 0x08, then "Стабилизация" with
/// 0x01, then "Измерение" with 0x04, then "Юстировка" with 0x02; the last bit set wins.
std::string_view TechModeText(std::uint8_t mode);

/// Both dials. GUI thread only; plain value type.
class TechPanel {
public:
    /// UpdateTech: the left dial takes the emitter block, the right dial the photodetector.
    /// Ends a lost link's state.
    void Update(const StatusArea& status);
    /// The link to the meter is lost (the watchdog expired, the port was closed). Until the
    /// next Update the mode line reads "Нет сязи" whatever the last mode was, the dials show
    /// no values (their text lines and "Атт=", "Kt=" are empty, no third-level mark) and both
    /// pointers fall back towards 0.
    void LinkLost();
    bool IsLinkLost() const { return m_linkLost; }
    /// One 200 ms frame of pointer smoothing on both dials.
    void Step();
    /// Describes the current frame (pointers at the smoothed values, texts and the third
    /// level at the latest values) with the mode line of `mode`.
    void Compose(std::uint8_t mode, TechFrame& frame) const;

    const TechDial& Left() const { return m_left; }
    const TechDial& Right() const { return m_right; }

private:
    TechDial m_left{kLeftDial};
    TechDial m_right{kRightDial};
    bool m_linkLost = false;
};

} // namespace core
