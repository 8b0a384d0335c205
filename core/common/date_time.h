// The date-time convention: a double counting days since 30 December 1899, local time,
// the time of day as the fraction.
#pragma once

#include <cstdint>
#include <string>

namespace core {

inline constexpr double kSecondsPerDay = 86400.0;

/// Local calendar fields of a date-time (millisecond resolution).
struct DateTimeFields {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

double EncodeDateTime(const DateTimeFields& f);
DateTimeFields DecodeDateTime(double dateTime);
/// The current local time from the system clock.
double NowDateTime();
/// The system's steady clock in milliseconds: never stepped, and counting the time the
/// machine was suspended, so a duration across a suspension is the time that really passed.
std::int64_t SteadyNowMs();
/// "hh:mm:ss" of a date-time.
std::string FormatTimeOfDay(double dateTime);
/// "dd.mm.yyyy" of a date-time.
std::string FormatDate(double dateTime);
/// "dd.mm.yyyy hh:mm:ss" of a date-time.
std::string FormatDateAndTime(double dateTime);
/// "yyyy-mm-dd_hh-mm-ss" of a date-time: the start of the journal's and the report's file
/// names (DateTimeFromFileName reads it back).
std::string FormatFileStamp(double dateTime);
/// "hh:mm:ss" of a duration in whole seconds (hours go past 23); negative counts as 0.
std::string FormatDuration(int seconds);
/// floor(d * 86400): a duration in days as whole seconds.
std::int64_t WholeSeconds(double days);
/// floor(d * 86400 + 0.5): the rounding used for a record's T and the "Ti=" label.
std::int64_t RoundedSeconds(double days);

} // namespace core
