#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "window/CodePage.h"

namespace qt {

// The code page and the field rules of window/CodePage.h, for QString. See there.

QString fromCodePage(std::string_view bytes);
std::optional<std::string> toCodePage(const QString& text);
using window::FieldRule;
using window::fitsCodePage;
QString mendInput(const QString& text, FieldRule rule, char32_t* refused = nullptr);

// The UTF-16 units of a QString, as the shared code expects them.
inline std::u16string_view units(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

}  // namespace qt
