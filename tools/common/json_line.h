// One JSON object per output line: a small writer for the decoder's records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace decode {

/// Builds one JSON object on one line. Members are written in the order they are added;
/// nested objects open with BeginObject and close with EndObject. Keys are written as given
/// (they must not need escaping); string values are escaped.
class JsonLine {
public:
    JsonLine() { m_text += '{'; }

    JsonLine& Int(std::string_view key, std::int64_t value);
    JsonLine& UInt(std::string_view key, std::uint64_t value);
    JsonLine& Null(std::string_view key);
    JsonLine& Bool(std::string_view key, bool value);
    JsonLine& String(std::string_view key, std::string_view value);
    /// The shortest decimal that reads back as the same float32; NaN and the infinities,
    /// which JSON lacks, as the strings "NaN", "Infinity" and "-Infinity".
    JsonLine& Float(std::string_view key, float value);
    /// Lower-case hex of the bytes as a string, e.g. "0a1b".
    JsonLine& Hex(std::string_view key, const std::uint8_t* bytes, std::size_t n);
    JsonLine& BeginObject(std::string_view key);
    JsonLine& EndObject();

    /// The finished object followed by '\n'. The writer is left empty.
    std::string Finish();

private:
    void Key(std::string_view key);

    std::string m_text;
    bool m_first = true;
};

/// `text` as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);

} // namespace decode
