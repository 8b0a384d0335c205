// UTF-8, the program's text everywhere, to and from the UTF-16 of the Windows API.
#pragma once

#include <string>
#include <string_view>

namespace core::sys {

std::wstring Wide(std::string_view utf8);
/// `text` ends with a 0; nullptr gives "".
std::string Utf8(const wchar_t* text);

} // namespace core::sys
