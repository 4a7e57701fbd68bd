// A new picture for the question shown: made from an image file or a pasted image, given the
// lowest free digit, saved with its page in one change that one undo takes back; all nine taken;
// a picture replaced after the teacher agreed.

#include <gtest/gtest.h>

#include "shell/Layout.h"
#include "shell/Russian.h"
#include "support/Fixtures.h"
#include "support/Pictures.h"

namespace {

namespace fs = std::filesystem;
using support::Session;
using Files = std::map<std::string, std::string>;

Files testFiles(const fs::path& root) {
  return support::testFilesOf(support::snapshot(root));
}
std::string pictureLine(const fs::path& page) {
  return support::crlfLines(page).at(shell::page::kPicture);
}

// A photo of 1600×1200 as a bitmap file outside the test.
fs::path photoFile(const support::TempDir& dir) {
  const pictures::Image photo = support::paintedImage(1600, 1200, [](int x, int y) {
    return pictures::Rgb{static_cast<std::uint8_t>(x / 7), static_cast<std::uint8_t>(y / 5), 90};
  });
  const fs::path file = dir.path() / shell::fromUtf8("фото.bmp");
  support::writeBytes(file, support::bmpBytes(photo));
  return file;
}

bool isPicture(const std::string& bytes) {
  const auto gif = support::readGif(bytes);
  return gif && gif->width == 315 && gif->height == 272;
}

TEST(NewPicture, TakesTheLowestFreeDigitAndLandsWithItsPageInOneChangeThatOneUndoTakesBack) {
  // 0.gif is a page's picture too, but new ones start at 1; "4.GIF" takes the 4, as Windows sees
  // it; names no page holds are not offered.
  Session s({.pictures = 3}, [](const fs::path& root) {
    for (const char* name : {"0.gif", "4.GIF", "10.gif", "a.gif", "рис.gif"})
      support::writeBytes(root / "pics" / shell::fromUtf8(name), "GIF89a");
  });
  const support::TempDir outside;
  const fs::path photo = photoFile(outside);
  auto& e = s.editor();
  auto& f = s.form();

  EXPECT_EQ(e.addPicture(photo), lifecycle::Editor::PictureAdded::NotAdded);
  EXPECT_NE(s.h->dialogs.shown.back().text.find("Вопрос не выбран"), std::string::npos);

  s.chooseQuestion(2, 4);
  f.Text1[0] = "вопрос с рисунком";  // an edit not saved yet: saved with the picture
  const Files before = testFiles(s.root());
  ASSERT_EQ(e.addPicture(photo), lifecycle::Editor::PictureAdded::Added);
  const fs::path page = s.root() / "1" / "3.html";
  EXPECT_TRUE(isPicture(support::readBytes(s.root() / "pics" / "5.gif")));
  EXPECT_EQ(pictureLine(page), "5");
  EXPECT_EQ(support::crlfLines(page).at(shell::page::field(0)), "вопрос с рисунком");
  EXPECT_EQ(f.File2.Names, (std::vector<std::string>{"0.gif", "1.gif", "2.gif", "3.gif", "5.gif"}));
  EXPECT_EQ(f.File2.ListIndex, 4);
  EXPECT_EQ(f.optIm, 1);
  EXPECT_TRUE(f.File2.Enabled);
  EXPECT_EQ(f.Image1.Bytes, support::readBytes(s.root() / "pics" / "5.gif"));
  EXPECT_EQ(f.mnuEditUndo.Caption, "Отменить: новый рисунок 5.gif для вопроса 4 этапа 2");
  const Files added = testFiles(s.root());

  // One undo takes back the picture and the page together, and the list forgets the picture;
  // after the next start a redo brings both again.
  e.mnuEditUndo_Click();
  EXPECT_EQ(support::differences(before, testFiles(s.root())), std::vector<std::string>{});
  EXPECT_EQ(f.File2.Names, (std::vector<std::string>{"0.gif", "1.gif", "2.gif", "3.gif"}));
  s.restart();
  s.editor().mnuEditRedo_Click();
  EXPECT_EQ(support::differences(added, testFiles(s.root())), std::vector<std::string>{});
  // Shown again from its page: the picture found by its name, not by its place in the list.
  EXPECT_EQ(s.form().File2.ListIndex, 4);
  EXPECT_EQ(s.form().Image1.Path, s.root() / "pics" / "5.gif");

  // A pasted image, enlarged as asked, takes the next digit; a file that is no image, an image too
  // large, a file too large to be read and one that is not there are told of by their names and
  // change nothing.
  s.chooseQuestion(3, 1);
  const pictures::Image drawing = support::solidImage(40, 30, {0, 0, 200});
  ASSERT_EQ(s.editor().addPicture(drawing, "рисунок из буфера обмена", true),
            lifecycle::Editor::PictureAdded::Added);
  EXPECT_EQ(pictureLine(s.root() / "2" / "0.html"), "6");
  const auto enlarged = support::readGif(support::readBytes(s.root() / "pics" / "6.gif"));
  ASSERT_TRUE(enlarged.has_value());
  EXPECT_EQ(support::pixelAt(enlarged->image, 0, 136), (pictures::Rgb{0, 0, 200}))
      << "enlarged to the box's width";
  const Files pasted = testFiles(s.root());
  const fs::path text = outside.path() / shell::fromUtf8("заметки.txt");
  support::writeBytes(text, "не рисунок");
  const fs::path huge = outside.path() / shell::fromUtf8("огромный.bmp");
  support::writeBytes(huge, support::bmpBytes(drawing, pictures::Size{9000, 9000}));
  const fs::path film = outside.path() / shell::fromUtf8("фильм.mp4");
  support::writeBytes(film, "");
  fs::resize_file(film, std::uintmax_t{300} << 20);  // never read
  const std::pair<fs::path, const char*> refused[] = {
      {text, "не рисунок"},
      {huge, "81 мегапиксел"},
      {film, "300 МБ"},
      {outside.path() / shell::fromUtf8("нет такого.png"), "Не удалось прочитать"}};
  for (const auto& [file, says] : refused) {
    EXPECT_EQ(s.editor().addPicture(file), lifecycle::Editor::PictureAdded::NotAdded);
    const std::string& told = s.h->dialogs.shown.back().text;
    EXPECT_NE(told.find("«" + shell::utf8(file) + "»"), std::string::npos) << told;
    EXPECT_NE(told.find(says), std::string::npos) << told;
  }
  EXPECT_EQ(s.h->decoder.decoded, 0);
  EXPECT_EQ(support::differences(pasted, testFiles(s.root())), std::vector<std::string>{});
}

// All nine taken: the teacher learns which no question shows (the ones a replacement may take)
// and nothing is written; a replacement says how many questions show the picture, is asked
// first, and is one change with the question shown.
TEST(NewPicture, AllNineTakenNamesTheUnusedOnesAndAReplacementAsksFirst) {
  // Of the nine, 1.gif is shown by questions 3 of stage 6 and 6 of stage 3 only (the fixture's
  // rule); both shown without it, it is the one no question shows.
  Session s({.pictures = 9}, [](const fs::path& root) {
    for (const char* page : {"5/2.html", "2/5.html"}) {
      auto lines = support::crlfLines(root / page);
      ASSERT_EQ(lines.at(shell::page::kPicture), "1");
      lines.at(shell::page::kPicture) = "00";
      support::writeBytes(root / page, support::crlfJoin(lines));
    }
  });
  const support::TempDir outside;
  const fs::path photo = photoFile(outside);
  auto& e = s.editor();
  s.chooseQuestion(1, 2);
  const Files before = testFiles(s.root());
  EXPECT_EQ(e.addPicture(photo), lifecycle::Editor::PictureAdded::AllTaken);
  EXPECT_NE(s.h->dialogs.shown.back().text.find("Рисунок 1.gif не показан ни в одном вопросе"),
            std::string::npos)
      << s.h->dialogs.shown.back().text;
  EXPECT_EQ(e.unusedPictures(), std::vector<int>{1});
  EXPECT_EQ(s.h->decoder.decoded, 0) << "nothing decoded before there is a place for it";

  // Refused when asked: nothing written.
  s.h->dialogs.answers = {false};
  EXPECT_FALSE(e.replacePicture(1, photo));
  const std::string asked = s.h->dialogs.shown.back().text;
  EXPECT_NE(asked.find("Заменить рисунок 1.gif рисунком «" + shell::utf8(photo) + "»"),
            std::string::npos)
      << asked;
  EXPECT_NE(asked.find("не показывает ни один вопрос"), std::string::npos) << asked;
  EXPECT_NE(asked.find("Вопрос 2 этапа 1 будет сохранён с этим рисунком"), std::string::npos)
      << asked;
  EXPECT_EQ(support::differences(before, testFiles(s.root())), std::vector<std::string>{});

  ASSERT_TRUE(e.replacePicture(1, photo));
  EXPECT_TRUE(isPicture(support::readBytes(s.root() / "pics" / "1.gif")));
  EXPECT_EQ(pictureLine(s.root() / "0" / "1.html"), "1");
  EXPECT_EQ(s.form().mnuEditUndo.Caption, "Отменить: замена рисунка 1.gif для вопроса 2 этапа 1");
  EXPECT_TRUE(e.unusedPictures().empty());
  e.mnuEditUndo_Click();
  EXPECT_EQ(support::differences(before, testFiles(s.root())), std::vector<std::string>{});

  // A picture questions show: how many are told.
  s.chooseQuestion(1, 3);
  EXPECT_EQ(pictureLine(s.root() / "0" / "2.html"), "5");
  s.h->dialogs.answers = {false};
  EXPECT_FALSE(e.replacePicture(5, photo));
  EXPECT_NE(s.h->dialogs.shown.back().text.find("Его показывают 2 вопроса"), std::string::npos)
      << s.h->dialogs.shown.back().text;
}

}  // namespace
