// The code page boundary and the field rules, on UTF-16, as both windows use them.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <optional>

#include "window/Fields.h"

namespace {

using window::FieldRule;

// The character the system's own converter gives for one byte of Windows-1251, or nothing
// where it has none.
std::optional<char32_t> systemDecode(unsigned char byte) {
  const char in[1] = {static_cast<char>(byte)};
#ifdef _WIN32
  wchar_t out[2] = {};
  if (MultiByteToWideChar(1251, MB_ERR_INVALID_CHARS, in, 1, out, 2) != 1) return std::nullopt;
  return static_cast<char32_t>(out[0]);
#else
  iconv_t cd = iconv_open("UTF-32LE", "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char copy[1] = {in[0]};
  unsigned char out[4] = {};
  char* inPtr = copy;
  char* outPtr = reinterpret_cast<char*>(out);
  std::size_t inLeft = 1;
  std::size_t outLeft = 4;
  const std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<std::size_t>(-1) || outLeft != 0) return std::nullopt;
  return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
#endif
}

TEST(SharedCodePage, EveryByteRoundTripsAndAgreesWithTheSystemConverter) {
  ASSERT_TRUE(systemDecode('A').has_value()) << "the system has no Windows-1251 converter";
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::u16string text = window::fromCodePage(all);
  ASSERT_EQ(text.size(), 256u);
  for (int b = 0; b < 256; ++b) {
    const char32_t shown = text[static_cast<std::size_t>(b)];
    if (b == 0x98) {
      // Undefined in the code page: kept as the control character of the same number.
      EXPECT_EQ(shown, U'\u0098');
    } else {
      EXPECT_EQ(std::optional<char32_t>(shown), systemDecode(static_cast<unsigned char>(b)))
          << "byte " << b;
    }
    EXPECT_TRUE(window::fitsCodePage(shown)) << "byte " << b;
  }
  EXPECT_EQ(window::toCodePage(text), all);
  EXPECT_EQ(window::toCodePage(u"中"), std::nullopt);
  EXPECT_FALSE(window::fitsCodePage(U'\u0081'));  // a control character with no byte
  EXPECT_FALSE(window::fitsCodePage(U'\u00C0'));  // À: Latin letters above ASCII have none
}

TEST(SharedCodePage, CharactersBeyondTheFirstPlaneAreRefusedWholeAndLoneHalvesToo) {
  char32_t refused = 0;
  // U+1F600 as a surrogate pair between two letters: left out as one character.
  EXPECT_EQ(window::mendInput(u"a\U0001F600б", FieldRule::CodePage, &refused), u"aб");
  EXPECT_EQ(refused, U'\U0001F600');
  // A lone low half in the middle, a lone high half and a C1 control (whose reference a browser
  // shows as another character): refused in a page line too.
  const std::u16string halves{u'x', 0xDC00, u'y', 0xD83D, 0x85};
  EXPECT_EQ(window::mendInput(halves, FieldRule::References, &refused), u"xy");
  EXPECT_EQ(refused, 0xDC00u);
  EXPECT_EQ(window::mendInput(u"1\r\n2\r\r3\u2029", FieldRule::CodePage, &refused), u"1 2  3 ");
  EXPECT_EQ(refused, 0u);
  EXPECT_NE(window::refusalText(U'π', FieldRule::CodePage).find("«π»"), std::string::npos);
}

// A page line holds a character beyond the code page as its decimal reference, and only that form
// naming such a character reads back as it: every line's bytes come back as they were.
TEST(SharedCodePage, PageLinesCarryOtherCharactersAsReferences) {
  const std::u16string text = u"x² √2 π≤ H₂O α\U0001F600 ё€";
  const std::string bytes = "x&#178; &#8730;2 &#960;&#8804; H&#8322;O &#945;&#128512; \xB8\x88";
  EXPECT_EQ(window::toCodePage(text, FieldRule::References), bytes);
  EXPECT_EQ(window::fromCodePage(bytes, FieldRule::References), text);
  const std::string asTyped = "&#x221A;&radic;&#0960;&#65;&#1087;&#128;&#55357;&#1114112;&#960 &#;";
  EXPECT_EQ(window::fromCodePage(asTyped, FieldRule::References), window::fromCodePage(asTyped));
  window::FieldText field(FieldRule::References);
  const std::u16string shown = field.fill(asTyped + bytes);
  EXPECT_EQ(field.take(shown + u"!"), asTyped + bytes + "!");
  // A reference typed as its characters is markup, written as typed; it reads as the character.
  EXPECT_EQ(field.take(u"&#960;π"), "&#960;&#960;");
}

TEST(SharedCodePage, AnUnchangedFieldGivesBackItsBytesAndAChangedOneItsEncoding) {
  window::FieldText field;
  EXPECT_FALSE(field.filled());
  // 0x98 has no character of its own in the code page; a CR inside a value stays as it is.
  const std::string bytes = "\xC4\xE0\x98\r\xA0";
  EXPECT_EQ(field.fill(bytes), (std::u16string{u'Д', u'а', 0x0098, u'\r', 0x00A0}));
  EXPECT_EQ(field.take(field.shown()), bytes);
  EXPECT_EQ(field.take(u"Да\nнет"), "\xC4\xE0 \xED\xE5\xF2");
  EXPECT_EQ(field.fill(""), u"");
  EXPECT_EQ(field.take(u""), "");
}

TEST(SharedCodePage, BoxTextBreaksAtEveryKindOfLineEnd) {
  EXPECT_EQ(window::boxText(u"a\rb\r\nc\nd", u"\r\n"), u"a\r\nb\r\nc\r\nd");
  EXPECT_EQ(window::boxText(u"a\r\r\nb", u"\n"), u"a\n\nb");
}

}  // namespace

namespace {

TEST(SharedCodePage, Utf8RoundTripsEveryCharacterAndRefusesWhatIsNotUtf8) {
  const std::u16string text = u"Aя√😀\u0098\uFFFF";
  EXPECT_EQ(window::toUtf8(text), "Aя√😀\u0098\uFFFF");
  EXPECT_EQ(window::fromUtf8(window::toUtf8(text)), text);
  EXPECT_EQ(window::toUtf8(std::u16string{u'a', 0xD800}), "a\uFFFD");
  // Truncated, a stray continuation byte, overlong forms, a surrogate, beyond U+10FFFF, Windows-1251.
  for (const std::string bad : {"\xD0", "\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xCF\xF0\xE8"}) {
    EXPECT_EQ(window::fromUtf8(bad), std::nullopt) << bad;
  }
}

}  // namespace
