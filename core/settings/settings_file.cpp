// The settings file vels5.ini: writing the 33 lines and reading them back in order.
#include "core/settings/settings_file.h"

#include "core/common/cp1251.h"

#include <vector>

namespace core {
namespace {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// A settings file has 33 lines; the lookup never needs more than a table file may hold.
constexpr std::size_t kMaxLines = 32'768;

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        if (lines.size() >= kMaxLines)
            return lines;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size() && lines.size() < kMaxLines)
        lines.push_back(text.substr(start));
    return lines;
}

// The text after the first "=" of the first line whose text before it is `key`, ignoring
// letter case; empty when no line has the key.
std::string_view ValueOf(const std::vector<std::string_view>& lines, std::string_view key) {
    for (std::string_view line : lines) {
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && EqualsIgnoreCase(line.substr(0, eq), key))
            return line.substr(eq + 1);
    }
    return {};
}

} // namespace

std::string_view SettingsKey(int row) {
    return row >= 1 && row <= settings_row::kCount ? SettingsRowAt(row).key : std::string_view{};
}

std::string FormatSettings(const Settings& s, std::string_view comText) {
    std::string text;
    for (int row = 1; row <= settings_row::kCount; ++row) {
        text += SettingsRowAt(row).key;
        text += '=';
        text += FormatSettingsRow(row, s, comText);
        text += "\r\n";
    }
    return Utf8ToCp1251(text);
}

SettingsLoad ParseSettings(std::string_view fileBytes, const Settings& current) {
    SettingsLoad load;
    load.values = current;
    const std::string text = Cp1251ToUtf8(fileBytes);
    const std::vector<std::string_view> lines = SplitLines(text);
    for (int row = settings_row::kMainTop; row <= settings_row::kCount; ++row) {
        if (!ReadSettingsRow(row, ValueOf(lines, SettingsRowAt(row).key), load.values,
                             load.error)) {
            load.failedRow = row;
            break;
        }
    }
    return load;
}

bool SelectsTestFire(int bVeiwTP) {
    return (bVeiwTP >= 1 && bVeiwTP <= 9) || bVeiwTP == 11 || bVeiwTP == 12;
}

std::string SettingsPath(const std::string& configDir) {
    return configDir + "/vels5.ini";
}

} // namespace core
