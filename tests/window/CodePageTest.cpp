// The shared field rules on UTF-16, as the Win32 window uses them without Qt.

#include <gtest/gtest.h>

#include "window/CodePage.h"

namespace {

TEST(SharedCodePage, CharactersBeyondTheFirstPlaneAreRefusedWholeAndLoneHalvesToo) {
  bool refused = false;
  // U+1F600 as a surrogate pair between two letters: left out as one character.
  EXPECT_EQ(window::mendInput(u"a\U0001F600б", &refused), u"aб");
  EXPECT_TRUE(refused);
  // A lone high half at the end and a lone low half in the middle.
  EXPECT_EQ(window::mendInput(std::u16string{u'x', 0xDC00, u'y', 0xD83D}, &refused), u"xy");
  EXPECT_TRUE(refused);
  EXPECT_EQ(window::mendInput(u"1\r\n2\r\r3\u2029", &refused), u"1 2  3 ");
  EXPECT_FALSE(refused);
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
