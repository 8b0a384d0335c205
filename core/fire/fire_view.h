// What the window "Испытание" shows of a fire test, as texts: the fire start, one row per
// detector, the ratio of the thresholds, the verdict line and the end-of-test notice.
#pragma once

#include "core/fire/fire_test.h"

#include <string>
#include <string_view>
#include <vector>

namespace core {

/// Fixed texts of the window (UTF-8).
namespace test_text {
inline constexpr std::string_view kCaption = "Испытание";
inline constexpr std::string_view kFire = "Тестовый пожар:";
inline constexpr std::string_view kStart = "Пуск пожара";
inline constexpr std::string_view kAlarm = "Сработал";
inline constexpr std::string_view kAdd = "Добавить";
inline constexpr std::string_view kRename = "Переименовать";
inline constexpr std::string_view kRemove = "Удалить";
inline constexpr std::string_view kUndo = "Отменить отметку";
inline constexpr std::string_view kNameColumn = "Извещатель";
inline constexpr std::string_view kAlarmColumn = "Сработал, с";
inline constexpr std::string_view kThresholdColumn = "Порог, дБ/м";
inline constexpr std::string_view kDetectorPrefix = "И";
} // namespace test_text

/// One detector as listed.
struct DetectorRow {
    std::string name;
    std::string alarm;     ///< log seconds to 0,1 ("312,4"), empty before its alarm
    std::string threshold; ///< dB/m to 0,001 ("0,123"), empty before its alarm
    bool operator==(const DetectorRow&) const = default;
};

/// The window's texts for a test after its latest Update.
struct TestView {
    int fireId = 0;    ///< the fire chosen, 0 none
    std::string start; ///< "Пуск: 12,3 с" or "Пуск: не отмечен"
    std::vector<DetectorRow> rows;
    std::string ratio; ///< "Отношение порогов: 1,50", or "Отношение порогов: —"
    std::string verdict; ///< FireTest::VerdictLine
    std::string end;     ///< FireTest::EndText: empty while the test runs
    bool canUndo = false;
    bool operator==(const TestView&) const = default;
};

TestView ViewOfTest(const FireTest& test);

/// A name for a new detector: "И" and the smallest number from 1 no listed detector has.
std::string NextDetectorName(const TestMarks& marks);

} // namespace core
