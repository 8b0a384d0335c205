// The settings file's rows as one table: key, window, use, field and how the value is
// written and read.
#include "core/settings/settings_rows.h"

#include "core/common/format.h"
#include "core/files/table_file.h"
#include "core/settings/settings_file.h"

#include <array>
#include <cstdio>
#include <limits>
#include <optional>
#include <type_traits>
#include <variant>

namespace core {
namespace {

// A pointer to the field a row is read into and written from.
using Field = std::variant<int*, bool*, std::uint16_t*, float*, std::string*, std::int16_t*,
                           std::int8_t*, std::uint8_t*, std::uint32_t*>;

// The places a row's field can be in: the frames of a Settings, and the value parts, which a
// Settings has as base classes and the running program has in its windows.
struct Parts {
    Settings* frames = nullptr;
    MeasurementParams* params = nullptr;
    TableView* table = nullptr;
    GraphView* graph = nullptr;
};

Parts PartsOf(Settings& s) {
    return {&s, &s.main, &s.table, &s.graph};
}

// How a row's value is written and read.
enum class Codec : std::uint8_t {
    Port,       // the status bar's text, written only
    Int,        // decimal; missing, malformed or outside [lo, hi] gives `fallback`
    Required,   // decimal, no default: anything else ends the reading; outside [lo, hi] (or
                // the field's type) gives the initial value
    SignedByte, // Required, kept as a signed byte; the unsigned field takes the same bits
    True,       // "true" or "false", on only when "true" (exact words)
    NotFalse,   // "true" or "false", off only when "false"
    Delim,      // its first character; empty gives ";" (DelimiterFromSetting)
    Dist,       // FormatDecimal(5, 1); empty gives the default; not a number ends the reading;
                // outside the distance range gives the default
    Colour,     // "0x" and 8 upper-case hex digits; anything else ends the reading
};

constexpr long long kMin = std::numeric_limits<long long>::min();
constexpr long long kMax = std::numeric_limits<long long>::max();

struct RowDef {
    SettingsRow row;
    Codec codec;
    Field (*field)(const Parts&);
    long long fallback = 0;
    long long lo = kMin;
    long long hi = kMax;
};

using W = SettingsWindow;
using U = SettingsRowUse;

// clang-format off
const std::array<RowDef, settings_row::kCount> kRows{{
    {{"COM", W::Main, U::Port}, Codec::Port, nullptr},
    {{"Form1 Top", W::Main, U::Top}, Codec::Int,
     [](const Parts& p) -> Field { return &p.frames->main.top; }, 50},
    {{"Form1 Left", W::Main, U::Left}, Codec::Int,
     [](const Parts& p) -> Field { return &p.frames->main.left; }, 50},
    {{"Form1 wTimeStep", W::Main, U::Value}, Codec::Int,
     [](const Parts& p) -> Field { return &p.params->wTimeStep; },
     kPeriodDefaultSec, kPeriodMinSec, kPeriodMaxSec},
    {{"Form1 fDist", W::Main, U::Value}, Codec::Dist,
     [](const Parts& p) -> Field { return &p.params->fDist; }},
    {{"FormTabl Visible", W::Table, U::Visible}, Codec::True,
     [](const Parts& p) -> Field { return &p.frames->table.visible; }},
    {{"FormTabl Top", W::Table, U::Top}, Codec::Int,
     [](const Parts& p) -> Field { return &p.frames->table.top; }, 100},
    {{"FormTabl Left", W::Table, U::Left}, Codec::Int,
     [](const Parts& p) -> Field { return &p.frames->table.left; }, 100},
    {{"FormTabl Height", W::Table, U::Height}, Codec::Int,
     [](const Parts& p) -> Field { return &p.frames->table.height; }, 358},
    {{"FormTabl Width", W::Table, U::Width}, Codec::Int,
     [](const Parts& p) -> Field { return &p.frames->table.width; }, 549},
    {{"FormTabl ViewLastLine", W::Table, U::Value}, Codec::True,
     [](const Parts& p) -> Field { return &p.table->ViewLastLine; }},
    {{"FormTabl Delim", W::Table, U::Value}, Codec::Delim,
     [](const Parts& p) -> Field { return &p.table->Delim; }},
    {{"FormTabl IsUnit", W::Table, U::Value}, Codec::NotFalse,
     [](const Parts& p) -> Field { return &p.table->IsUnit; }},
    {{"FormGraph Visible", W::Graph, U::Visible}, Codec::True,
     [](const Parts& p) -> Field { return &p.frames->graph.visible; }},
    {{"FormGraph Top", W::Graph, U::Top}, Codec::Required,
     [](const Parts& p) -> Field { return &p.frames->graph.top; }},
    {{"FormGraph Left", W::Graph, U::Left}, Codec::Required,
     [](const Parts& p) -> Field { return &p.frames->graph.left; }},
    {{"FormGraph Height", W::Graph, U::Height}, Codec::Required,
     [](const Parts& p) -> Field { return &p.frames->graph.height; }},
    {{"FormGraph Width", W::Graph, U::Width}, Codec::Required,
     [](const Parts& p) -> Field { return &p.frames->graph.width; }},
    {{"FormGraph NumPoint", W::Graph, U::Value}, Codec::Required,
     [](const Parts& p) -> Field { return &p.graph->NumPoint; }, 0, 1, 3200},
    {{"FormGraph LeftMargin", W::Graph, U::Value}, Codec::Required,
     [](const Parts& p) -> Field { return &p.graph->LeftMargin; }, 0, 0, kMax},
    {{"FormGraph BottomMargin", W::Graph, U::Value}, Codec::Required,
     [](const Parts& p) -> Field { return &p.graph->BottomMargin; }, 0, 0, kMax},
    {{"FormGraph wQx", W::Graph, U::Value}, Codec::Required,
     [](const Parts& p) -> Field { return &p.graph->wQx; }, 0, 1, 100},
    {{"FormGraph wQy", W::Graph, U::Value}, Codec::Required,
     [](const Parts& p) -> Field { return &p.graph->wQy; }, 0, 1, 100},
    {{"FormGraph bVeiwTP", W::Graph, U::Value}, Codec::Required,
     [](const Parts& p) -> Field { return &p.graph->bVeiwTP; }},
    {{"FormGraph Unit", W::Graph, U::Value}, Codec::SignedByte,
     [](const Parts& p) -> Field { return &p.graph->Unit; }},
    {{"FormGraph NScaleDB", W::Graph, U::Value}, Codec::Required,
     [](const Parts& p) -> Field { return &p.graph->NScaleDB; }, 0, 0, 9},
    {{"FormGraph NScalePER", W::Graph, U::Value}, Codec::Required,
     [](const Parts& p) -> Field { return &p.graph->NScalePER; }, 0, 0, 4},
    {{"FormGraph NScaleV", W::Graph, U::Value}, Codec::Required,
     [](const Parts& p) -> Field { return &p.graph->NScaleV; }, 0, 0, 2},
    {{"FormGraph cBack", W::Graph, U::Value}, Codec::Colour,
     [](const Parts& p) -> Field { return &p.graph->cBack; }},
    {{"FormGraph cMargin", W::Graph, U::Value}, Codec::Colour,
     [](const Parts& p) -> Field { return &p.graph->cMargin; }},
    {{"FormGraph cGrid", W::Graph, U::Value}, Codec::Colour,
     [](const Parts& p) -> Field { return &p.graph->cGrid; }},
    {{"FormGraph cFont", W::Graph, U::Value}, Codec::Colour,
     [](const Parts& p) -> Field { return &p.graph->cFont; }},
    {{"FormGraph cGrap", W::Graph, U::Value}, Codec::Colour,
     [](const Parts& p) -> Field { return &p.graph->cGrap; }},
}};
// clang-format on

const RowDef& Def(int row) {
    return kRows[row >= 1 && row <= settings_row::kCount ? static_cast<std::size_t>(row - 1) : 0];
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

// Stores `v` into an integer field when it lies in [lo, hi] and the field's type; false
// otherwise (nothing stored).
bool StoreInteger(const Field& field, long long v, long long lo, long long hi) {
    return std::visit(
        [&](auto* f) {
            using T = std::remove_pointer_t<decltype(f)>;
            if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
                if (v < lo || v > hi || v < static_cast<long long>(std::numeric_limits<T>::min()) ||
                    v > static_cast<long long>(std::numeric_limits<T>::max()))
                    return false;
                *f = static_cast<T>(v);
                return true;
            } else {
                return false;
            }
        },
        field);
}

// The field of `row` in a default Settings: the value a window has when it is created.
void StoreInitial(const RowDef& def, const Field& field) {
    static Settings initial;
    const Field from = def.field(PartsOf(initial));
    std::visit([&](auto* to) { *to = *std::get<decltype(to)>(from); }, field);
}

std::string WriteInteger(const Field& field) {
    return std::visit(
        [](auto* f) -> std::string {
            using T = std::remove_pointer_t<decltype(f)>;
            if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>)
                return std::to_string(static_cast<long long>(*f));
            else
                return {};
        },
        field);
}

bool ReadRequired(const RowDef& def, std::string_view value, const Field& field,
                  std::string& error) {
    const Conversion<long long> v = ParseInteger(value);
    if (!v) {
        error = v.error.empty() ? IntegerError(value) : v.error;
        return false;
    }
    if (def.codec == Codec::SignedByte) {
        // Unit: -1 in the file is 255 in the window.
        auto* unit = std::get<std::uint8_t*>(field);
        if (*v.value >= -128 && *v.value <= 127)
            *unit = static_cast<std::uint8_t>(static_cast<std::int8_t>(*v.value));
        else
            StoreInitial(def, field);
        return true;
    }
    if (!StoreInteger(field, *v.value, def.lo, def.hi))
        StoreInitial(def, field);
    return true;
}

bool ReadDist(std::string_view value, float& dist, std::string& error) {
    if (value.empty()) {
        dist = kDistDefaultM;
        return true;
    }
    const Conversion<double> v = ParseDecimal(value);
    if (!v) {
        error = v.error;
        return false;
    }
    // A distance the dialog would refuse (zero in particular) would turn every m = Di / fDist
    // into nonsense; it falls back to the default.
    dist = DistInRange(*v.value) ? static_cast<float>(*v.value) : kDistDefaultM;
    return true;
}

} // namespace

const SettingsRow& SettingsRowAt(int row) {
    return Def(row).row;
}

std::string FormatSettingsRow(int row, const Settings& settings, std::string_view portText) {
    const RowDef& def = Def(row);
    if (def.codec == Codec::Port)
        return std::string(portText);
    // Read only: the field pointer is used to read the value.
    const Field field = def.field(PartsOf(const_cast<Settings&>(settings)));
    switch (def.codec) {
    case Codec::True:
    case Codec::NotFalse:
        return *std::get<bool*>(field) ? "true" : "false";
    case Codec::Delim:
        return *std::get<std::string*>(field);
    case Codec::Dist:
        return FormatDecimal(*std::get<float*>(field), 5, 1);
    case Codec::SignedByte:
        return std::to_string(static_cast<std::int8_t>(*std::get<std::uint8_t*>(field)));
    case Codec::Colour: {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08X", *std::get<std::uint32_t*>(field));
        return text;
    }
    case Codec::Port:
    case Codec::Int:
    case Codec::Required:
        break;
    }
    return WriteInteger(field);
}

bool ReadSettingsRow(int row, std::string_view value, Settings& settings, std::string& error) {
    const RowDef& def = Def(row);
    if (def.codec == Codec::Port)
        return true;
    const Field field = def.field(PartsOf(settings));
    switch (def.codec) {
    case Codec::Int: {
        const Conversion<long long> v = ParseInteger(value);
        if (!v || !StoreInteger(field, *v.value, def.lo, def.hi))
            StoreInteger(field, def.fallback, kMin, kMax);
        return true;
    }
    case Codec::Required:
    case Codec::SignedByte:
        return ReadRequired(def, value, field, error);
    case Codec::True:
        *std::get<bool*>(field) = value == "true";
        return true;
    case Codec::NotFalse:
        *std::get<bool*>(field) = value != "false";
        return true;
    case Codec::Delim:
        *std::get<std::string*>(field) = DelimiterFromSetting(value);
        return true;
    case Codec::Dist:
        return ReadDist(value, *std::get<float*>(field), error);
    case Codec::Colour: {
        const std::optional<long long> v = ParseHex(value);
        if (!v) {
            error = IntegerError(value);
            return false;
        }
        *std::get<std::uint32_t*>(field) = static_cast<std::uint32_t>(*v);
        return true;
    }
    case Codec::Port:
        break;
    }
    return true;
}

void ApplySettingsValue(int row, const Settings& loaded, const SettingsTargets& to) {
    const RowDef& def = Def(row);
    if (def.row.use != SettingsRowUse::Value)
        return;
    const bool present = def.row.window == SettingsWindow::Main    ? to.params != nullptr
                         : def.row.window == SettingsWindow::Table ? to.table != nullptr
                                                                   : to.graph != nullptr;
    if (!present)
        return;
    const Field from = def.field(PartsOf(const_cast<Settings&>(loaded))); // read only
    const Field target = def.field(Parts{nullptr, to.params, to.table, to.graph});
    std::visit([&](auto* field) { *field = *std::get<decltype(field)>(from); }, target);
}

WindowFrame FrameOf(const Settings& s, SettingsWindow window) {
    switch (window) {
    case SettingsWindow::Main:
        return {true, s.main.top, s.main.left, 0, 0};
    case SettingsWindow::Table:
        return {s.table.visible, s.table.top, s.table.left, s.table.height, s.table.width};
    case SettingsWindow::Graph:
        break;
    }
    return {s.graph.visible, s.graph.top, s.graph.left, s.graph.height, s.graph.width};
}

void SetFrame(Settings& s, SettingsWindow window, const WindowFrame& f) {
    switch (window) {
    case SettingsWindow::Main:
        s.main.top = f.top;
        s.main.left = f.left;
        return;
    case SettingsWindow::Table:
        s.table.visible = f.visible;
        s.table.top = f.top;
        s.table.left = f.left;
        s.table.height = f.height;
        s.table.width = f.width;
        return;
    case SettingsWindow::Graph:
        break;
    }
    s.graph.visible = f.visible;
    s.graph.top = f.top;
    s.graph.left = f.left;
    s.graph.height = f.height;
    s.graph.width = f.width;
}

} // namespace core
