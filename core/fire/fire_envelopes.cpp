// The test-fire bands and their lookup by identifier and by name.
#include "core/fire/fire_envelopes.h"

#include <array>
#include <string>

namespace core {
namespace {

using P = EnvelopePoint;

constexpr std::array kTp1Upper{P{0, 0.05f}, P{130, 0.05f}, P{270, 0.75f}};
constexpr std::array kTp1Lower{P{220, 0.0f}, P{370, 0.75f}};
constexpr std::array kTp2Upper{P{0, 0.05f}, P{150, 0.05f}, P{570, 2.0f}};
constexpr std::array kTp2Lower{P{400, 0.0f}, P{840, 2.0f}};
constexpr std::array kTp3Upper{P{0, 0.05f}, P{280, 2.0f}};
constexpr std::array kTp3Lower{P{120, 0.0f}, P{640, 2.0f}};
constexpr std::array kTp4Upper{P{0, 0.05f}, P{40, 0.2f}, P{140, 1.73f}};
constexpr std::array kTp4Lower{P{80, 0.0f}, P{180, 1.73f}};
constexpr std::array kTp5Upper{P{0, 0.2f}, P{120, 1.24f}};
constexpr std::array kTp5Lower{P{5, 0.0f}, P{240, 1.24f}};
constexpr std::array kTp2aUpper{P{0, 0.01f}, P{480, 0.01f}, P{960, 0.05f}};
constexpr std::array kTp2aLower{P{780, 0.0f}, P{1440, 0.05f}};
constexpr std::array kTp2bUpper{P{0, 0.01f}, P{480, 0.01f}, P{1140, 0.15f}};
constexpr std::array kTp2bLower{P{780, 0.0f}, P{2000, 0.15f}};
constexpr std::array kTp3aUpper{P{0, 0.01f}, P{660, 0.05f}};
constexpr std::array kTp3aLower{P{360, 0.0f}, P{1200, 0.05f}};
constexpr std::array kTp3bUpper{P{0, 0.01f}, P{660, 0.15f}};
constexpr std::array kTp3bLower{P{240, 0.0f}, P{1200, 0.15f}};
constexpr std::array kTp5aUpper{P{0, 0.01f}, P{240, 0.01f}, P{780, 0.1f}};
constexpr std::array kTp5aLower{P{360, 0.0f}, P{1200, 0.1f}};
constexpr std::array kTp5bUpper{P{0, 0.01f}, P{240, 0.01f}, P{780, 0.3f}};
constexpr std::array kTp5bLower{P{360, 0.0f}, P{1020, 0.3f}};

const std::array<TestFireEnvelope, 11> kFires{{
    {1, "ТП1", "TP1", kTp1Upper, kTp1Lower},
    {2, "ТП2", "TP2", kTp2Upper, kTp2Lower},
    {3, "ТП3", "TP3", kTp3Upper, kTp3Lower},
    {4, "ТП4", "TP4", kTp4Upper, kTp4Lower},
    {5, "ТП5", "TP5", kTp5Upper, kTp5Lower},
    {6, "ТП2А", "TP2A", kTp2aUpper, kTp2aLower},
    {7, "ТП2Б", "TP2B", kTp2bUpper, kTp2bLower},
    {8, "ТП3А", "TP3A", kTp3aUpper, kTp3aLower},
    {9, "ТП3Б", "TP3B", kTp3bUpper, kTp3bLower},
    {11, "ТП5А", "TP5A", kTp5aUpper, kTp5aLower},
    {12, "ТП5Б", "TP5B", kTp5bUpper, kTp5bLower},
}};

// Folds a name to upper-case Latin: the Cyrillic letters of the fire names (Т, П, А, Б in
// either case) become T, P, A, B. Any other non-ASCII byte makes the name unknown.
std::optional<std::string> FoldName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x80) {
            out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
            continue;
        }
        if (i + 1 >= name.size())
            return std::nullopt;
        const unsigned code = (c << 8) | static_cast<unsigned char>(name[++i]);
        switch (code) {
        case 0xD0A2:
        case 0xD182:
            out += 'T';
            break; // Т т
        case 0xD09F:
        case 0xD0BF:
            out += 'P';
            break; // П п
        case 0xD090:
        case 0xD0B0:
            out += 'A';
            break; // А а
        case 0xD091:
        case 0xD0B1:
            out += 'B';
            break; // Б б
        default:
            return std::nullopt;
        }
    }
    return out;
}

} // namespace

std::span<const TestFireEnvelope> TestFires() {
    return kFires;
}

const TestFireEnvelope* FindTestFire(int id) {
    for (const TestFireEnvelope& fire : kFires)
        if (fire.id == id)
            return &fire;
    return nullptr;
}

const TestFireEnvelope* FindTestFire(std::string_view name) {
    const std::optional<std::string> folded = FoldName(name);
    if (!folded)
        return nullptr;
    for (const TestFireEnvelope& fire : kFires)
        if (fire.latinName == *folded)
            return &fire;
    return nullptr;
}

float EnvelopeAt(std::span<const EnvelopePoint> polyline, double tSec) {
    if (polyline.empty() || tSec < polyline.front().tSec)
        return 0.0f;
    for (std::size_t i = 1; i < polyline.size(); ++i) {
        const EnvelopePoint& a = polyline[i - 1];
        const EnvelopePoint& b = polyline[i];
        if (tSec <= b.tSec) {
            const double f = (tSec - a.tSec) / (b.tSec - a.tSec);
            return static_cast<float>(a.mDbPerM + f * (b.mDbPerM - a.mDbPerM));
        }
    }
    return polyline.back().mDbPerM;
}

} // namespace core
