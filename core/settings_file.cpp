// The settings file vels5.ini: writing the 33 lines and reading them back in order.
#include "core/settings_file.h"

#include "core/cp1251.h"
#include "core/format.h"
#include "core/table_file.h"

#include <array>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

namespace core {
namespace {

constexpr std::array<std::string_view, settings_row::kCount> kKeys{
    "COM",
    "Form1 Top",
    "Form1 Left",
    "Form1 wTimeStep",
    "Form1 fDist",
    "FormTabl Visible",
    "FormTabl Top",
    "FormTabl Left",
    "FormTabl Height",
    "FormTabl Width",
    "FormTabl ViewLastLine",
    "FormTabl Delim",
    "FormTabl IsUnit",
    "FormGraph Visible",
    "FormGraph Top",
    "FormGraph Left",
    "FormGraph Height",
    "FormGraph Width",
    "FormGraph NumPoint",
    "FormGraph LeftMargin",
    "FormGraph BottomMargin",
    "FormGraph wQx",
    "FormGraph wQy",
    "FormGraph bVeiwTP",
    "FormGraph Unit",
    "FormGraph NScaleDB",
    "FormGraph NScalePER",
    "FormGraph NScaleV",
    "FormGraph cBack",
    "FormGraph cMargin",
    "FormGraph cGrid",
    "FormGraph cFont",
    "FormGraph cGrap",
};

constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();

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

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::optional<long long> ParseHex(std::string_view text) {
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    long long value = 0;
    for (char c : text.substr(2)) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

std::string IntegerError(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid integer value";
}

// Reads the rows in order and records the first conversion error.
class Reader {
public:
    explicit Reader(std::string_view utf8) : m_text(utf8), m_lines(SplitLines(m_text)) {}

    std::string_view Value(int row) const {
        const std::string_view key = kKeys[static_cast<std::size_t>(row - 1)];
        for (std::string_view line : m_lines) {
            const std::size_t eq = line.find('=');
            if (eq != std::string_view::npos && EqualsIgnoreCase(line.substr(0, eq), key))
                return line.substr(eq + 1);
        }
        return {};
    }

    // A row with a default: anything that is not an integer in [lo, hi] gives `def`.
    int IntOr(int row, int def, int lo = kIntMin, int hi = kIntMax) const {
        const auto v = ParseInteger(Value(row));
        return v && *v.value >= lo && *v.value <= hi ? static_cast<int>(*v.value) : def;
    }

    bool IsTrue(int row) const { return Value(row) == "true"; }

    // A row without a default: a non-integer ends the reading; an integer outside [lo, hi]
    // gives `initial`.
    template <typename T>
    bool Required(int row, T& out, T initial, long long lo, long long hi) {
        const std::string_view text = Value(row);
        const auto v = ParseInteger(text);
        if (!v)
            return Fail(row, v.error.empty() ? IntegerError(text) : v.error);
        out = *v.value >= lo && *v.value <= hi ? static_cast<T>(*v.value) : initial;
        return true;
    }

    template <typename T>
    bool Required(int row, T& out, T initial) {
        return Required(row, out, initial, std::numeric_limits<T>::min(),
                        std::numeric_limits<T>::max());
    }

    bool Colour(int row, std::uint32_t& out) {
        const std::string_view text = Value(row);
        const auto v = ParseHex(text);
        if (!v)
            return Fail(row, IntegerError(text));
        out = static_cast<std::uint32_t>(*v);
        return true;
    }

    bool Distance(int row, float& out) {
        const std::string_view text = Value(row);
        if (text.empty()) {
            out = 1.0f;
            return true;
        }
        const auto v = ParseDecimal(text);
        if (!v)
            return Fail(row, v.error);
        const float f = static_cast<float>(*v.value);
        // A distance the distance dialog would refuse (zero in particular) would turn every
        // m = Di / fDist into nonsense; it falls back to the default.
        out = f >= 0.3f && f <= 10.0f ? f : 1.0f;
        return true;
    }

    bool Fail(int row, std::string error) {
        m_failedRow = row;
        m_error = std::move(error);
        return false;
    }

    int FailedRow() const { return m_failedRow; }
    std::string& Error() { return m_error; }

private:
    std::string m_text;
    std::vector<std::string_view> m_lines;
    int m_failedRow = 0;
    std::string m_error;
};

bool ReadMainAndTable(Reader& r, Settings& s) {
    using namespace settings_row;
    s.main.top = r.IntOr(kMainTop, 50);
    s.main.left = r.IntOr(kMainLeft, 50);
    s.main.wTimeStep = static_cast<std::uint16_t>(r.IntOr(kTimeStep, 1, 1, 30));
    if (!r.Distance(kDist, s.main.fDist))
        return false;
    Settings::Table& t = s.table;
    t.visible = r.IsTrue(kTableVisible);
    t.top = r.IntOr(kTableTop, 100);
    t.left = r.IntOr(kTableLeft, 100);
    t.height = r.IntOr(kTableHeight, 358);
    t.width = r.IntOr(kTableWidth, 549);
    t.ViewLastLine = r.IsTrue(kViewLastLine);
    t.Delim = DelimiterFromSetting(r.Value(kDelim));
    t.IsUnit = r.Value(kIsUnit) != "false";
    s.graph.visible = r.IsTrue(kGraphVisible);
    return true;
}

// The file keeps Unit as a signed byte, as it has always been written; the view's unsigned
// field takes the same bits, so -1 in the file is 255 in the window and shows no scale.
bool ReadUnit(Reader& r, GraphView& g) {
    auto unit = static_cast<std::int8_t>(g.Unit);
    if (!r.Required(settings_row::kUnit, unit, static_cast<std::int8_t>(GraphView{}.Unit)))
        return false;
    g.Unit = static_cast<std::uint8_t>(unit);
    return true;
}

bool ReadGraph(Reader& r, Settings::Graph& g) {
    using namespace settings_row;
    const Settings::Graph init;
    return r.Required(kGraphTop, g.top, init.top) && r.Required(kGraphLeft, g.left, init.left) &&
           r.Required(kGraphHeight, g.height, init.height) &&
           r.Required(kGraphWidth, g.width, init.width) &&
           r.Required<std::int16_t>(kNumPoint, g.NumPoint, init.NumPoint, 1, 3200) &&
           r.Required<std::int16_t>(kLeftMargin, g.LeftMargin, init.LeftMargin, 0, 32767) &&
           r.Required<std::int16_t>(kBottomMargin, g.BottomMargin, init.BottomMargin, 0, 32767) &&
           r.Required<std::int16_t>(kWQx, g.wQx, init.wQx, 1, 100) &&
           r.Required<std::int16_t>(kWQy, g.wQy, init.wQy, 1, 100) &&
           r.Required(kVeiwTP, g.bVeiwTP, init.bVeiwTP) && ReadUnit(r, g) &&
           r.Required<std::int16_t>(kNScaleDB, g.NScaleDB, init.NScaleDB, 0, 9) &&
           r.Required<std::int16_t>(kNScalePER, g.NScalePER, init.NScalePER, 0, 4) &&
           r.Required<std::int16_t>(kNScaleV, g.NScaleV, init.NScaleV, 0, 2) &&
           r.Colour(kBack, g.cBack) && r.Colour(kMargin, g.cMargin) && r.Colour(kGrid, g.cGrid) &&
           r.Colour(kFont, g.cFont) && r.Colour(kGrap, g.cGrap);
}

std::string Bool(bool b) {
    return b ? "true" : "false";
}

std::string Hex(std::uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", colour);
    return text;
}

} // namespace

std::string_view SettingsKey(int row) {
    return row >= 1 && row <= settings_row::kCount ? kKeys[static_cast<std::size_t>(row - 1)]
                                                   : std::string_view{};
}

std::string FormatSettings(const Settings& s, std::string_view comText) {
    const Settings::Table& t = s.table;
    const Settings::Graph& g = s.graph;
    const std::array<std::string, settings_row::kCount> values{
        std::string(comText),
        std::to_string(s.main.top),
        std::to_string(s.main.left),
        std::to_string(s.main.wTimeStep),
        FormatDecimal(s.main.fDist, 5, 1),
        Bool(t.visible),
        std::to_string(t.top),
        std::to_string(t.left),
        std::to_string(t.height),
        std::to_string(t.width),
        Bool(t.ViewLastLine),
        t.Delim,
        Bool(t.IsUnit),
        Bool(g.visible),
        std::to_string(g.top),
        std::to_string(g.left),
        std::to_string(g.height),
        std::to_string(g.width),
        std::to_string(g.NumPoint),
        std::to_string(g.LeftMargin),
        std::to_string(g.BottomMargin),
        std::to_string(g.wQx),
        std::to_string(g.wQy),
        std::to_string(g.bVeiwTP),
        std::to_string(static_cast<std::int8_t>(g.Unit)),
        std::to_string(g.NScaleDB),
        std::to_string(g.NScalePER),
        std::to_string(g.NScaleV),
        Hex(g.cBack),
        Hex(g.cMargin),
        Hex(g.cGrid),
        Hex(g.cFont),
        Hex(g.cGrap),
    };
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += kKeys[i];
        text += '=';
        text += values[i];
        text += "\r\n";
    }
    return Utf8ToCp1251(text);
}

SettingsLoad ParseSettings(std::string_view fileBytes, const Settings& current) {
    SettingsLoad load;
    load.values = current;
    Reader reader(Cp1251ToUtf8(fileBytes));
    if (ReadMainAndTable(reader, load.values))
        ReadGraph(reader, load.values.graph);
    load.failedRow = reader.FailedRow();
    load.error = std::move(reader.Error());
    return load;
}

bool SelectsTestFire(int bVeiwTP) {
    return (bVeiwTP >= 1 && bVeiwTP <= 9) || bVeiwTP == 11 || bVeiwTP == 12;
}

std::string SettingsPath(const std::string& configDir) {
    return configDir + "/vels5.ini";
}

} // namespace core
