// One JSON object per output line.
#include "tools/common/json_line.h"

#include <array>
#include <charconv>
#include <cmath>

namespace decode {

void JsonLine::Key(std::string_view key) {
    if (!m_first)
        m_text += ',';
    m_first = false;
    m_text += '"';
    m_text += key;
    m_text += "\":";
}

JsonLine& JsonLine::Int(std::string_view key, std::int64_t value) {
    Key(key);
    m_text += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::UInt(std::string_view key, std::uint64_t value) {
    Key(key);
    m_text += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::Null(std::string_view key) {
    Key(key);
    m_text += "null";
    return *this;
}

JsonLine& JsonLine::Bool(std::string_view key, bool value) {
    Key(key);
    m_text += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::String(std::string_view key, std::string_view value) {
    Key(key);
    m_text += JsonString(value);
    return *this;
}

JsonLine& JsonLine::Float(std::string_view key, float value) {
    if (std::isnan(value))
        return String(key, "NaN");
    if (std::isinf(value))
        return String(key, value < 0 ? "-Infinity" : "Infinity");
    Key(key);
    // Shortest round trip of the float itself, not of its widening to double.
    std::array<char, 32> buf;
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    m_text.append(buf.data(), ec == std::errc{} ? end : buf.data());
    return *this;
}

JsonLine& JsonLine::Hex(std::string_view key, const std::uint8_t* bytes, std::size_t n) {
    static constexpr char kDigits[] = "0123456789abcdef";
    Key(key);
    m_text += '"';
    for (std::size_t i = 0; i < n; ++i) {
        m_text += kDigits[bytes[i] >> 4];
        m_text += kDigits[bytes[i] & 0x0F];
    }
    m_text += '"';
    return *this;
}

JsonLine& JsonLine::BeginObject(std::string_view key) {
    Key(key);
    m_text += '{';
    m_first = true;
    return *this;
}

JsonLine& JsonLine::EndObject() {
    m_text += '}';
    m_first = false;
    return *this;
}

std::string JsonLine::Finish() {
    m_text += "}\n";
    std::string out;
    out.swap(m_text);
    m_text += '{';
    m_first = true;
    return out;
}

std::string JsonString(std::string_view text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kDigits[u >> 4];
            out += kDigits[u & 0x0F];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

} // namespace decode
