#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace window {

// The one place where the shell's Windows-1251 bytes meet the window's Unicode text, which
// both windows hold as UTF-16. Every one of the 256 byte values decodes to its own character
// (0x98, which the code page leaves undefined, to U+0098), so decoding and encoding again
// gives the same bytes.

std::u16string fromCodePage(std::string_view bytes);

// The bytes of a text, or nothing when some character has no byte in the code page.
std::optional<std::string> toCodePage(std::u16string_view text);

// Whether one character (a code point) has a byte in the code page.
bool fitsCodePage(char32_t c);

// Text that the user typed, pasted or dropped, made fit for a field: each line break (CR LF,
// CR, LF, U+2028, U+2029) becomes one space, and a character the code page cannot hold is left
// out (a character beyond the first plane, or half of one, among them). `refused`, when given,
// tells whether anything was left out.
std::u16string mendInput(std::u16string_view text, bool* refused = nullptr);

// A field's text on its way between the model and the control. It remembers the bytes it was
// filled from and the text they decode to, so a field the user did not change gives back the
// very bytes it was given.
class FieldText {
 public:
  // Takes the model's bytes and returns the text to show.
  const std::u16string& fill(const std::string& bytes);
  // The bytes for what the control holds now.
  std::string take(std::u16string_view now) const;
  const std::u16string& shown() const { return shown_; }
  const std::string& bytes() const { return bytes_; }
  // Whether fill() has run since construction.
  bool filled() const { return filled_; }

 private:
  std::string bytes_;
  std::u16string shown_;
  bool filled_ = false;
};

// The lines of a message box's text, which a carriage return (alone or before a line feed) or a
// line feed breaks; each toolkit joins them with its own line break.
std::u16string boxText(std::u16string_view text, std::u16string_view lineBreak);

}  // namespace window
