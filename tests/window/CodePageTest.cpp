// The shared field rules on UTF-16, as the Win32 window uses them without Qt.

#include <gtest/gtest.h>

#include "window/CodePage.h"

namespace {

using window::FieldRule;

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
