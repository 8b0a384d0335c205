// The permitted band of a test fire as functions of time, and the check of a recorded m(t)
// against it from the fire start to the end of the test.
#pragma once

#include "core/fire/fire_envelopes.h"
#include "core/fire/fire_marks.h"
#include "core/log/record_log.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace core {

/// The upper limit of `fire`'s band at `tSec` seconds from the fire start, dB/m: linear
/// between the corners of its upper polyline, its last value past the last corner.
float UpperLimitAt(const TestFireEnvelope& fire, double tSec);

/// The lower limit at `tSec`, dB/m: linear between the corners of the lower polyline, its
/// last value past the last corner, and 0 before its first corner.
float LowerLimitAt(const TestFireEnvelope& fire, double tSec);

/// True from the first corner of the lower polyline on. Before it the band has no lower
/// bound yet: m may dip below zero in clean air without leaving the band.
bool HasLowerLimit(const TestFireEnvelope& fire, double tSec);

/// The end-of-test value m_E of a fire, dB/m: the last m of its polylines (ТП1 0,75; ТП2 2).
float EndOfTestValue(const TestFireEnvelope& fire);

enum class BandSide : std::uint8_t { Upper, Lower };

/// One stretch of consecutive checked records outside the band on one side.
struct BandViolation {
    BandSide side = BandSide::Upper;
    double fromSec = 0; ///< first record outside, seconds from the fire start
    double toSec = 0;   ///< last record outside, seconds from the fire start
    float extreme = 0;  ///< the largest m above the band, or the smallest below it, dB/m
    bool operator==(const BandViolation&) const = default;
};

/// A stretch of consecutive records in the checked stretch without a valid m (not a finite
/// number: a damaged frame or file). Nothing is known of the band there.
struct BandGap {
    double fromSec = 0; ///< first record without a value, seconds from the fire start
    double toSec = 0;   ///< last record without a value, seconds from the fire start
    bool operator==(const BandGap&) const = default;
};

/// The outcome of a check. It never claims more than the records show: `inside` needs
/// records checked, and a stretch without values or a test not yet ended is said as such.
struct BandVerdict {
    int fireId = 0;
    /// Records were checked, every one lay inside the band (touching counts) and none was
    /// without a value.
    bool inside = false;
    /// The test ended within the records: the verdict covers the whole test. False while it
    /// runs: the verdict holds up to the last record checked.
    bool ended = false;
    double endSec = 0;         ///< end of the checked stretch, seconds from the fire start
    double lastCheckedSec = 0; ///< the last record checked, seconds from the fire start
    int checked = 0;           ///< records checked (with a valid m)
    std::vector<BandViolation> violations; ///< in time order
    std::vector<BandGap> gaps;             ///< in time order
    /// Breaks of the link that reach into the checked stretch, seconds from the fire start
    /// (a break that began before the fire start from 0), in time order. Nothing was
    /// measured there: the verdict names them and reports no violation across them.
    std::vector<BandGap> linkGaps;
};

/// Checks every record whose `T` lies from `fireStartT` to `endT` (log seconds, both
/// included) against the band of `fire`. A record is inside when lower <= m <= upper at its
/// time from the fire start; a record whose m is not a finite number is not checked but
/// counted into a gap. The verdict is `ended` when the records reach `endT`.
///
/// The first record from the fire start on whose m reached the end-of-test value is the
/// moment the test ended: m crossed m_E somewhere in that record's interval, so on the upper
/// side it is compared as m_E (its excess over m_E is the end, not a departure from the
/// band). A fire that reached m_E before the upper limit did still leaves the band there.
///
/// `linkGaps` are the breaks of the link of the log (log seconds, in time order): a stretch
/// outside the band ends at a break (the records on either side are two stretches), and
/// each break within the checked stretch is listed in the verdict.
BandVerdict CheckTestFire(const TestFireEnvelope& fire, std::span<const MeasurementRecord> records,
                          double fireStartT, double endT, std::span<const LinkGap> linkGaps = {});

/// The check of a test as the fire-test window, the report and the table tool make it: from
/// the fire start to TestEndT, or to `endT` when one is given. Without `endT` the verdict is
/// `ended` when m reached the end-of-test value or every detector had alarmed
/// (`allAlarmedT`); with it, when the records reach it.
BandVerdict CheckTest(const TestFireEnvelope& fire, std::span<const MeasurementRecord> records,
                      double fireStartT, std::optional<double> allAlarmedT,
                      std::optional<double> endT = std::nullopt,
                      std::span<const LinkGap> linkGaps = {});

/// The `T` of the first record from `fireStartT` on whose m reached the fire's end-of-test
/// value, if any.
std::optional<double> EndValueReachedT(const TestFireEnvelope& fire,
                                       std::span<const MeasurementRecord> records,
                                       double fireStartT);

/// Where the test ends, log seconds, never before the fire start: the earlier of the moment
/// every detector had alarmed (`allAlarmedT`, the latest alarm once all have alarmed) and
/// the first record reaching the end-of-test value; with neither, the last record (the fire
/// start itself when no record follows it): the test is still running.
double TestEndT(const TestFireEnvelope& fire, std::span<const MeasurementRecord> records,
                double fireStartT, std::optional<double> allAlarmedT);

/// The verdict line (UTF-8), the same in the fire-test window, the report and the table
/// tool: "ТП2: нет данных" when no record was checked; with intervals outside the band, they
/// and the stretches without values in time order joined by "; ", e.g. "ТП2: выше границы с
/// 312 по 330 с (макс. 1,402 дБ/м); нет данных с 340 по 350 с"; otherwise "ТП2: в допуске",
/// after stretches without values "ТП2: нет данных с 5 по 9 с; в остальном в допуске", and
/// while the test runs " до 120 с, испытание не завершено" after it; each break of the link
/// follows as "; разрыв связи 123–131 с" ("ТП2: в допуске; разрыв связи 123–131 с"). With
/// intervals outside the band the breaks take their place among them in time order.
std::string VerdictText(const TestFireEnvelope& fire, const BandVerdict& verdict);

/// The intervals outside the band, the stretches without values and the breaks of the link
/// in time order, each as the verdict line writes it.
std::vector<std::string> VerdictItems(const BandVerdict& verdict);

/// One interval outside the band as the verdict line writes it, e.g.
/// "выше границы с 312 по 330 с (макс. 1,402 дБ/м)".
std::string ViolationText(const BandViolation& violation);

/// One stretch without values, e.g. "нет данных с 340 по 350 с".
std::string GapText(const BandGap& gap);

/// One break of the link, e.g. "разрыв связи 123–131 с".
std::string LinkGapText(const BandGap& gap);

} // namespace core
