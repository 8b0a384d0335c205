// The texts of the window "Испытание".
#include "core/fire/fire_view.h"

#include "core/common/format.h"

#include <algorithm>

namespace core {

TestView ViewOfTest(const FireTest& test) {
    const TestMarks& marks = test.Marks();
    TestView view;
    view.fireId = marks.fireId;
    view.start = marks.fireStartT ? "Пуск: " + FormatDecimal(*marks.fireStartT, 7, 1) + " с"
                                  : "Пуск: не отмечен";
    for (const DetectorMark& d : marks.detectors) {
        DetectorRow row{d.name, {}, {}};
        if (d.alarmT) {
            row.alarm = FormatDecimal(*d.alarmT, 7, 1);
            row.threshold = FormatDecimal(d.thresholdDbPerM, 5, 3);
        }
        view.rows.push_back(std::move(row));
    }
    const std::optional<double> ratio = ThresholdRatio(marks);
    view.ratio = "Отношение порогов: " + (ratio ? FormatDecimal(*ratio, 5, 2) : "—");
    view.verdict = test.VerdictLine();
    view.end = test.EndText();
    view.canUndo = test.CanUndo();
    return view;
}

std::string NextDetectorName(const TestMarks& marks) {
    for (int n = 1;; ++n) {
        const std::string name = std::string(test_text::kDetectorPrefix) + std::to_string(n);
        if (std::none_of(marks.detectors.begin(), marks.detectors.end(),
                         [&](const DetectorMark& d) { return d.name == name; }))
            return name;
    }
}

} // namespace core
