#include "win32/Text.h"

#include <windows.h>

namespace win32 {

std::wstring wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string units(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

std::wstring fromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), n);
  return out;
}

}  // namespace win32
