// The program's UTF-8 texts (core's strings, the prompts) as QStrings and back.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ui {

inline QString QText(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string Utf8(const QString& text) {
    return text.toStdString();
}

} // namespace ui
