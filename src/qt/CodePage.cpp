#include "qt/CodePage.h"

namespace qt {

QString fromCodePage(std::string_view bytes) {
  return QString::fromStdU16String(window::fromCodePage(bytes));
}

std::optional<std::string> toCodePage(const QString& text) {
  return window::toCodePage(units(text));
}

QString mendInput(const QString& text, FieldRule rule, char32_t* refused) {
  return QString::fromStdU16String(window::mendInput(units(text), rule, refused));
}

}  // namespace qt
