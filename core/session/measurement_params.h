// The two measurement parameters the user sets, the distance between the blocks and the
// record period: their ranges, defaults, and the check of a value typed into their dialogs.
// The dialogs, the settings reader and the tools all take the ranges from here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

/// Distance between the blocks, metres: 0.3 to 10, both included, compared as a 32-bit float
/// (so "0,3" itself is inside). Default 1.0.
inline constexpr float kDistMinM = 0.3f;
inline constexpr float kDistMaxM = 10.0f;
inline constexpr float kDistDefaultM = 1.0f;
/// Record period, whole seconds: 1 to 30, both included. Default 1.
inline constexpr int kPeriodMinSec = 1;
inline constexpr int kPeriodMaxSec = 30;
inline constexpr std::uint16_t kPeriodDefaultSec = 1;

/// Recording parameters owned by the main window and kept in the settings file.
struct MeasurementParams {
    float fDist = kDistDefaultM;                 ///< metres between the blocks
    std::uint16_t wTimeStep = kPeriodDefaultSec; ///< seconds between records
};

/// True when `metres`, taken as a 32-bit float, lies in [kDistMinM, kDistMaxM]; NaN is not.
bool DistInRange(double metres);
/// True when `seconds` lies in [kPeriodMinSec, kPeriodMaxSec].
bool PeriodInRange(long long seconds);

/// What a parameter dialog does with the text in its field.
enum class EntryVerdict : std::uint8_t {
    Accepted,   ///< store `value` and close with OK
    NotANumber, ///< show `message` (the conversion error) in a box titled "Error"; stay open
    TooLarge,   ///< show `message`, put `corrected` into the field; stay open
    TooSmall,   ///< show `message`, put `corrected` into the field; stay open
};

/// The check of one entry. Texts are UTF-8.
template <typename T>
struct ParamEntry {
    EntryVerdict verdict = EntryVerdict::NotANumber;
    T value{};             ///< the value to store (Accepted only)
    std::string message;   ///< empty when accepted
    std::string corrected; ///< the field's new text for a value out of range, else empty
};

/// The distance dialog's check: a decimal number with a comma, then "Больше 10 метров"
/// ("10,0") above the range, "Меньше 0,3 метров" ("0,3") below it.
ParamEntry<float> CheckDistEntry(std::string_view text);
/// The period dialog's check: a decimal integer, then "Больше 30 секунд" ("30") above the
/// range, "Меньше 1 секунды" ("1") below it.
ParamEntry<std::uint16_t> CheckPeriodEntry(std::string_view text);

} // namespace core
