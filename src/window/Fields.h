#pragma once

#include <string>
#include <string_view>

#include "text/CodePage.h"

namespace window {

// The rules of the windows' text fields, over the code page's conversion (text/CodePage.h),
// whose names the window layer uses as its own.
using text::FieldRule;
using text::fits;
using text::fitsCodePage;
using text::fromCodePage;
using text::fromUtf8;
using text::toCodePage;
using text::toUtf8;

// Text that the user typed, pasted or dropped, made fit for a field: each line break (CR LF,
// CR, LF, U+2028, U+2029) becomes one space, and a character that the rule does not let the
// field hold is left out (a character beyond the first plane as one, half of one too).
// `refused`, when given, is set to the first character left out, or 0.
std::u16string mendInput(std::u16string_view text, FieldRule rule, char32_t* refused = nullptr);

// What a window says, in words, when a field refused a character (UTF-8).
std::string refusalText(char32_t c, FieldRule rule);

// A field's text on its way between the model and the control. It remembers the bytes it was
// filled from and the text they decode to, so a field the user did not change gives back the
// very bytes it was given.
class FieldText {
 public:
  explicit FieldText(FieldRule rule = FieldRule::CodePage) : rule_(rule) {}
  // Takes the model's bytes and returns the text to show.
  const std::u16string& fill(const std::string& bytes);
  // The bytes for what the control holds now.
  std::string take(std::u16string_view now) const;
  const std::u16string& shown() const { return shown_; }
  const std::string& bytes() const { return bytes_; }
  FieldRule rule() const { return rule_; }
  // Whether fill() has run since construction.
  bool filled() const { return filled_; }

 private:
  FieldRule rule_;
  std::string bytes_;
  std::u16string shown_;
  bool filled_ = false;
};

// The lines of a message box's text, which a carriage return (alone or before a line feed) or a
// line feed breaks; each toolkit joins them with its own line break.
std::u16string boxText(std::u16string_view text, std::u16string_view lineBreak);

}  // namespace window
