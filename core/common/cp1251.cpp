// Windows-1251 <-> UTF-8 from a fixed table of the upper 128 bytes.
#include "core/common/cp1251.h"

#include <array>
#include <cstdint>

namespace core {
namespace {

constexpr char32_t kUnassigned = 0xFFFD;

// Characters of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char32_t, 64> kUpper{
    0x0402,      0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC,      0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    kUnassigned, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0,      0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401,      0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0,      0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451,      0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};

constexpr char32_t kCyrillicA = 0x0410; // byte 0xC0
constexpr unsigned char kFirstCyrillicByte = 0xC0;

char32_t ByteToChar(unsigned char b) {
    if (b < 0x80)
        return b;
    if (b >= kFirstCyrillicByte)
        return kCyrillicA + (b - kFirstCyrillicByte);
    return kUpper[b - 0x80u];
}

char CharToByte(char32_t c) {
    if (c < 0x80)
        return static_cast<char>(c);
    if (c >= kCyrillicA && c < kCyrillicA + 64)
        return static_cast<char>(kFirstCyrillicByte + (c - kCyrillicA));
    if (c != kUnassigned) {
        for (std::size_t i = 0; i < kUpper.size(); ++i)
            if (kUpper[i] == c)
                return static_cast<char>(0x80 + i);
    }
    return '?';
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Decodes one UTF-8 sequence at `i`; returns its length, or 0 when the bytes there are not a
// well-formed sequence (stray continuation, overlong form, surrogate, beyond U+10FFFF or cut).
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        c = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if (!IsContinuation(b))
            return 0;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

std::string Cp1251ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes)
        AppendUtf8(out, ByteToChar(static_cast<unsigned char>(ch)));
    return out;
}

std::string Utf8ToCp1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t len = DecodeUtf8(text, i, c);
        if (len == 0) {
            // One '?' per byte that starts no well-formed sequence; resynchronise on the next.
            out += '?';
            ++i;
            continue;
        }
        out += CharToByte(c);
        i += len;
    }
    return out;
}

} // namespace core
