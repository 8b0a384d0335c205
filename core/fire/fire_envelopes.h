// The permitted m(t) bands of the standard test fires, as constant data.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace core {

/// One corner of a band limit: time from the fire's zero and smoke optical density.
struct EnvelopePoint {
    int tSec;      ///< seconds from the fire's time zero, >= 0
    float mDbPerM; ///< dB/m, 32-bit as the graph draws it
};

/// One test fire: the upper and lower limit polylines of its band. Each is drawn on its
/// own (move to the first point, lines to the following ones); nothing joins the two.
struct TestFireEnvelope {
    int id;                     ///< overlay identifier of the graph window: 1-9, 11, 12
    std::string_view name;      ///< "ТП1" ... "ТП5Б", UTF-8
    std::string_view latinName; ///< "TP1" ... "TP5B": the same name in Latin letters
    std::span<const EnvelopePoint> upper;
    std::span<const EnvelopePoint> lower;
};

/// The eleven test fires in the order ТП1, ТП2, ТП3, ТП4, ТП5, ТП2А, ТП2Б, ТП3А, ТП3Б,
/// ТП5А, ТП5Б. Static storage; the spans stay valid for the whole run.
std::span<const TestFireEnvelope> TestFires();

/// The fire with overlay identifier `id`, or nullptr (0, 10 and out-of-range ids).
const TestFireEnvelope* FindTestFire(int id);

/// The fire named `name`: Cyrillic as written ("ТП2А", "тп2а") or Latin ("TP2A", "tp2a");
/// the letters may be mixed ("TП2Б"). Surrounding spaces are not accepted. nullptr when
/// no fire has that name.
const TestFireEnvelope* FindTestFire(std::string_view name);

/// The limit polyline's value at `tSec`, linear between corners. Before the first corner
/// the limit is 0 (no lower bound yet; an upper polyline always starts at 0 s); after the
/// last corner it keeps the last value.
float EnvelopeAt(std::span<const EnvelopePoint> polyline, double tSec);

} // namespace core
