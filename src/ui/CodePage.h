#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

// The one place where the shell's Windows-1251 bytes meet the window's Unicode text.
// Every one of the 256 byte values decodes to its own character (0x98, which the code page
// leaves undefined, to U+0098), so decoding and encoding again gives the same bytes.

QString fromCodePage(std::string_view bytes);

// The bytes of a text, or nothing when some character has no byte in the code page.
std::optional<std::string> toCodePage(const QString& text);

// Whether one character (a code point) has a byte in the code page.
bool fitsCodePage(char32_t c);

// Text that the user typed, pasted or dropped, made fit for a field: each line break (CR LF,
// CR, LF, U+2028, U+2029) becomes one space, and a character the code page cannot hold is left
// out. `refused`, when given, tells whether anything was left out.
QString mendInput(const QString& text, bool* refused = nullptr);

// A field's text on its way between the model and the widget. It remembers the bytes it was
// filled from and the text they decode to, so a field the user did not change gives back the
// very bytes it was given.
class FieldText {
 public:
  // Takes the model's bytes and returns the text to show.
  const QString& fill(const std::string& bytes);
  // The bytes for what the widget holds now.
  std::string take(const QString& now) const;
  const QString& shown() const { return shown_; }

 private:
  std::string bytes_;
  QString shown_;
};

}  // namespace ui
