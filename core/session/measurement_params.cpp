// Ranges of the distance and the record period, and the dialogs' check of a typed value.
#include "core/session/measurement_params.h"

#include "core/common/format.h"

namespace core {

bool DistInRange(double metres) {
    const auto value = static_cast<float>(metres);
    return value >= kDistMinM && value <= kDistMaxM;
}

bool PeriodInRange(long long seconds) {
    return seconds >= kPeriodMinSec && seconds <= kPeriodMaxSec;
}

ParamEntry<float> CheckDistEntry(std::string_view text) {
    ParamEntry<float> entry;
    const Conversion<double> number = ParseDecimal(text);
    if (!number) {
        entry.message = number.error;
        return entry;
    }
    // Compared as the 32-bit value that is stored.
    const auto metres = static_cast<float>(*number.value);
    if (metres > kDistMaxM) {
        entry.verdict = EntryVerdict::TooLarge;
        entry.message = "Больше 10 метров";
        entry.corrected = "10,0";
    } else if (DistInRange(metres)) {
        entry.verdict = EntryVerdict::Accepted;
        entry.value = metres;
    } else {
        entry.verdict = EntryVerdict::TooSmall;
        entry.message = "Меньше 0,3 метров";
        entry.corrected = "0,3";
    }
    return entry;
}

ParamEntry<std::uint16_t> CheckPeriodEntry(std::string_view text) {
    ParamEntry<std::uint16_t> entry;
    const Conversion<long long> number = ParseInteger(text);
    if (!number) {
        entry.message = number.error;
        return entry;
    }
    if (*number.value > kPeriodMaxSec) {
        entry.verdict = EntryVerdict::TooLarge;
        entry.message = "Больше 30 секунд";
        entry.corrected = "30";
    } else if (*number.value < kPeriodMinSec) {
        entry.verdict = EntryVerdict::TooSmall;
        entry.message = "Меньше 1 секунды";
        entry.corrected = "1";
    } else {
        entry.verdict = EntryVerdict::Accepted;
        entry.value = static_cast<std::uint16_t>(*number.value);
    }
    return entry;
}

} // namespace core
