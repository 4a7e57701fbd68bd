#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "window/CodePage.h"

namespace ui {

// The code page and the field rules of window/CodePage.h, for QString. See there.

QString fromCodePage(std::string_view bytes);
std::optional<std::string> toCodePage(const QString& text);
using window::FieldRule;
using window::fitsCodePage;
QString mendInput(const QString& text, FieldRule rule, char32_t* refused = nullptr);

// window::FieldText with the text to show kept as a QString, so a redraw compares and sets the
// widget's text without converting it again.
class FieldText {
 public:
  explicit FieldText(FieldRule rule = FieldRule::CodePage) : text_(rule) {}
  const QString& fill(const std::string& bytes);
  std::string take(const QString& now) const;
  const QString& shown() const { return shown_; }

 private:
  window::FieldText text_;
  QString shown_;
};

// The UTF-16 units of a QString, as the shared code expects them.
inline std::u16string_view units(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

}  // namespace ui
