// Date-time convention: conversions between calendar fields and days since 1899-12-30.
#include "core/common/date_time.h"

#include "core/common/clock.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace core {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 1970-01-01 to 1899-12-30.
constexpr std::int64_t kEpochOffsetDays = 25569;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe) + static_cast<int>(era) * 400 + (m <= 2);
}

} // namespace

double EncodeDateTime(const DateTimeFields& f) {
    const std::int64_t days = DaysFromCivil(f.year, f.month, f.day) + kEpochOffsetDays;
    const std::int64_t ms =
        ((static_cast<std::int64_t>(f.hour) * 60 + f.minute) * 60 + f.second) * 1000 +
        f.millisecond;
    return static_cast<double>(days) + static_cast<double>(ms) / kMsPerDay;
}

DateTimeFields DecodeDateTime(double dateTime) {
    std::int64_t days = static_cast<std::int64_t>(std::floor(dateTime));
    std::int64_t ms = std::llround((dateTime - static_cast<double>(days)) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ++days;
        ms -= kMsPerDay;
    }
    DateTimeFields f;
    CivilFromDays(days - kEpochOffsetDays, f.year, f.month, f.day);
    f.millisecond = static_cast<int>(ms % 1000);
    f.second = static_cast<int>(ms / 1000 % 60);
    f.minute = static_cast<int>(ms / 60000 % 60);
    f.hour = static_cast<int>(ms / 3'600'000);
    return f;
}

double NowDateTime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    DateTimeFields f;
    f.year = local.tm_year + 1900;
    f.month = local.tm_mon + 1;
    f.day = local.tm_mday;
    f.hour = local.tm_hour;
    f.minute = local.tm_min;
    f.second = local.tm_sec;
    f.millisecond = static_cast<int>(ts.tv_nsec / 1'000'000);
    return EncodeDateTime(f);
}

std::int64_t SteadyNowMs() {
    timespec ts{};
#ifdef CLOCK_BOOTTIME
    clock_gettime(CLOCK_BOOTTIME, &ts);
#else
    clock_gettime(CLOCK_MONOTONIC, &ts);
#endif
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

ClockTime SteadyAt(double dateTime) {
    return {dateTime, std::llround(dateTime * kMsPerDay)};
}

std::string FormatTimeOfDay(double dateTime) {
    const DateTimeFields f = DecodeDateTime(dateTime);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", f.hour, f.minute, f.second);
    return text;
}

std::string FormatDate(double dateTime) {
    const DateTimeFields f = DecodeDateTime(dateTime);
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", f.day, f.month, f.year);
    return text;
}

std::string FormatDateAndTime(double dateTime) {
    return FormatDate(dateTime) + " " + FormatTimeOfDay(dateTime);
}

std::string FormatFileStamp(double dateTime) {
    const DateTimeFields f = DecodeDateTime(dateTime);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d_%02d-%02d-%02d", f.year, f.month, f.day,
                  f.hour, f.minute, f.second);
    return text;
}

std::string FormatDuration(int seconds) {
    if (seconds < 0)
        seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

std::int64_t WholeSeconds(double days) {
    return static_cast<std::int64_t>(std::floor(days * kSecondsPerDay));
}

std::int64_t RoundedSeconds(double days) {
    return static_cast<std::int64_t>(std::floor(days * kSecondsPerDay + 0.5));
}

} // namespace core
