#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace text {

// The one place where the shell's Windows-1251 bytes meet Unicode: the windows' text (UTF-16),
// the text files the editor reads and writes, and the pages it prints (UTF-8). Every one of the 256 byte values decodes to its own character
// (0x98, which the code page leaves undefined, to U+0098), so decoding and encoding again
// gives the same bytes.

std::u16string fromCodePage(std::string_view bytes);

// The bytes of a text, or nothing when some character has no byte in the code page.
std::optional<std::string> toCodePage(std::u16string_view text);

// Whether one character (a code point) has a byte in the code page.
bool fitsCodePage(char32_t c);

// UTF-8, the encoding of the editor's messages and of the text files it reads and writes, to
// and from the window's UTF-16. toUtf8 writes half of a surrogate pair that has no other half
// as U+FFFD; fromUtf8 gives nothing for bytes that are not UTF-8 (a broken or overlong
// sequence, a surrogate, a value beyond U+10FFFF).
std::string toUtf8(std::u16string_view text);
std::optional<std::u16string> fromUtf8(std::string_view bytes);

// What a text field may hold beyond the code page, by where its line goes.
enum class FieldRule {
  // A line of 1.js or the result handler's address: the code page's characters only; any other
  // character is refused (Text1(5), txtT, txtMin, txtAddr).
  CodePage,
  // A line of an HTML page (the question, its answers, the course name, the inspecting body):
  // any character. One that the code page lacks is written as its decimal character reference,
  // "&#8730;" for U+221A, and exactly that form, naming such a character, is read back as the
  // character. Every other byte is read and written as in CodePage, "&#x221A;", "&radic;",
  // "&#0960;" and "&#65;" among them, so that the bytes of a line that was not changed come
  // back as they were. A reference typed as its characters is markup of the page, written as
  // typed; it names the character the page shows, and the field shows that character from then
  // on. Only C1 control characters (U+0080 to U+009F, which a browser reads as other
  // characters) and half of a surrogate pair are refused.
  References,
};

// Whether a field of the rule can hold the character.
bool fits(char32_t c, FieldRule rule);

// A field's bytes as its text, and its text as its bytes (nothing when a character cannot be
// written), by the rule.
std::u16string fromCodePage(std::string_view bytes, FieldRule rule);
std::optional<std::string> toCodePage(std::u16string_view text, FieldRule rule);

// Walking UTF-16 by characters: the character at `i` (a surrogate pair as one; a lone half as
// itself), `i` moved past it; a character appended as UTF-16 or as UTF-8; whether a value is half
// of a surrogate pair.
char32_t nextChar(std::u16string_view text, std::size_t& i);
void appendChar(std::u16string& out, char32_t c);
void appendUtf8(std::string& out, char32_t c);
bool isSurrogate(char32_t c);

}  // namespace text
