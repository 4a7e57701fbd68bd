#include "ui/CodePage.h"

namespace ui {

QString fromCodePage(std::string_view bytes) {
  return QString::fromStdU16String(window::fromCodePage(bytes));
}

std::optional<std::string> toCodePage(const QString& text) {
  return window::toCodePage(units(text));
}

QString mendInput(const QString& text, FieldRule rule, char32_t* refused) {
  return QString::fromStdU16String(window::mendInput(units(text), rule, refused));
}

const QString& FieldText::fill(const std::string& bytes) {
  if (!text_.filled() || bytes != text_.bytes()) {
    shown_ = QString::fromStdU16String(text_.fill(bytes));
    if (shown_.isNull()) shown_ = QLatin1String("");
  }
  return shown_;
}

std::string FieldText::take(const QString& now) const { return text_.take(units(now)); }

}  // namespace ui
