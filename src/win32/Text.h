#pragma once

#include <string>
#include <string_view>

// Text between the editor (UTF-8 messages, Windows-1251 fields through window/Fields.h) and
// the W functions of the system (UTF-16 in wchar_t).

namespace win32 {

std::wstring wide(std::u16string_view text);
std::u16string units(std::wstring_view text);
std::wstring fromUtf8(std::string_view text);

}  // namespace win32
