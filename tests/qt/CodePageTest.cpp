// The code page boundary in the Qt window: Windows-1251 bytes in the files, Unicode in the fields.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>

#include "Rig.h"
#include "window/Fields.h"

namespace qttest {
namespace {

// A title line with a non-breaking space and the byte 0x98, which the code page leaves
// undefined, around Cyrillic letters.
const std::string kOddBody = bytes({0xCA, 0xE0, 0xF4, 0xA0, 0x98, 0xE5, 0xE4, 0xF0, 0xE0});

void oddBody(const fs::path& root) {
  auto title = support::titleLines(6);
  title[2] = kOddBody;
  support::writeBytes(root / "title.html", support::crlfJoin(title));
}

TEST(CodePage, UndefinedByteSurvivesASaveUntouched) {
  Started s({}, oddBody);
  Rig& r = *s.rig;
  EXPECT_EQ(textOf(r.window.control("Text3")), QString::fromUtf8("Каф\u00A0\u0098едра"));
  choose(r, 1, 1);
  click(r.button("cmdSave"));
  EXPECT_EQ(support::crlfLines(s.root() / "title.html")[2], kOddBody);

  // Typing in that same field keeps its other bytes as they were.
  typeInto(r.window.control("Text3"), "!");
  r.window.close();
  ASSERT_TRUE(r.editor.unloaded());
  EXPECT_EQ(support::crlfLines(s.root() / "title.html")[2], kOddBody + "!");
}

// A page line keeps every character, one beyond the code page as its reference; a line of the
// handler's address (or of 1.js) refuses it, and a note under the field says which and why.
TEST(CodePage, FieldsKeepOrRefuseByWhereTheirLineGoes) {
  Started s;
  Rig& r = *s.rig;
  choose(r, 1, 1);
  for (const char* name : {"Text1(0)", "txtAddr"}) {
    SCOPED_TRACE(name);
    QWidget* field = r.window.control(name);
    const QString before = textOf(field);
    typeInto(field, QString::fromUtf8("中"));
    pasteInto(field, QString::fromUtf8("<√\U0001F600€>"));
    const bool page = name[0] == 'T';
    EXPECT_EQ(textOf(field), before + QString::fromUtf8(page ? "中<√\U0001F600€>" : "<€>"));
    const auto* note = r.window.findChild<QLabel*>("refusal");
    EXPECT_EQ(note != nullptr && note->isVisible(), !page);
  }
  const auto* note = r.window.findChild<QLabel*>("refusal");
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->text().contains(QString::fromUtf8("«√»"))) << note->text().toStdString();
  click(r.button("cmdSave"));
  EXPECT_EQ(support::crlfLines(s.root() / "0" / "0.html")[5],
            support::pageLines(1, 1)[5] + "&#20013;<&#8730;&#128512;" + bytes({0x88, '>'}));
}

TEST(CodePage, LineBreaksBecomeSpaces) {
  Started s;
  Rig& r = *s.rig;
  choose(r, 1, 1);
  QWidget* question = r.window.control("Text1(0)");
  const QString before = textOf(question);
  typeInto(question, "a");
  QTest::keyClick(question, Qt::Key_Return);
  QTest::keyClick(question, Qt::Key_Enter, Qt::ShiftModifier);
  typeInto(question, "b");
  EXPECT_EQ(textOf(question), before + "a  b");

  pasteInto(r.window.control("Text2"), "\r\nx\ry\nz");
  pasteInto(r.window.control("txtT"), "1\r\n2");
  click(r.button("cmdSave"));
  const auto page = support::crlfLines(s.root() / "0" / "0.html");
  EXPECT_EQ(page.size(), support::pageLines(1, 1).size());
  EXPECT_EQ(page[5], support::pageLines(1, 1)[5] + "a  b");
  const auto title = support::crlfLines(s.root() / "title.html");
  EXPECT_EQ(title.size(), support::titleLines(6).size());
  EXPECT_EQ(title[4], support::titleLines(6)[4] + " x y z");
  EXPECT_EQ(title[8], "201 2");
}

TEST(CodePage, ListsAndLabelsAreDecoded) {
  Started s;
  Rig& r = *s.rig;
  // The fixture's question text holds Cyrillic bytes; the field shows them as letters.
  choose(r, 1, 1);
  const QString question = textOf(r.window.control("Text1(0)"));
  EXPECT_EQ(window::toCodePage(question.toStdU16String()), support::pageLines(1, 1)[5]);
  EXPECT_FALSE(question.contains(QChar(0xFFFD)));
  EXPECT_EQ(r.list("File1")->item(0)->text(), "0.html");
  EXPECT_EQ(r.list("Dir1")->item(6)->text(), "pics");
}

}  // namespace
}  // namespace qttest
