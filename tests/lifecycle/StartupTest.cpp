#include <gtest/gtest.h>

#include <set>

#include <functional>

#include "lifecycle/RecentTests.h"
#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using support::crlfJoin;
using support::Harness;
using support::ShellPlan;
using support::TempDir;

std::vector<std::string> rows(int from, int to) {
  std::vector<std::string> out;
  for (int i = from; i <= to; ++i) out.push_back(std::to_string(i));
  return out;
}

struct Started {
  TempDir dir;
  std::unique_ptr<Harness> h;
  explicit Started(const ShellPlan& plan, const std::function<void(const fs::path&)>& change = {}) {
    support::buildShell(dir.path(), plan);
    if (change) change(dir.path());
    h = std::make_unique<Harness>(dir.path());
  }
};

TEST(Startup, AnOrdinaryShellIsListedAndItsSettingsShown) {
  Started s({.stageFolders = 6}, [](const fs::path& root) {
    // The duration and pass mark come from 1.js, not from the title page.
    auto js = support::answerKeyLines(6, "45", "75");
    support::writeBytes(root / "1.js", crlfJoin(js));
  });
  const auto before = support::snapshot(s.dir.path());
  auto& e = s.h->editor;
  e.Form_Load();

  EXPECT_EQ(e.state().StageCount, 6);
  EXPECT_EQ(e.state().LastStageQuestions, 10);
  EXPECT_EQ(e.state().CurStage, 0);
  EXPECT_EQ(e.state().CurQuestion, 0);
  EXPECT_EQ(e.state().savedProduct(), 1);
  EXPECT_EQ(e.state().ShellPath, s.dir.path());
  EXPECT_EQ(e.form.List1.Rows, rows(1, 6));
  EXPECT_EQ(e.form.List1.ListIndex, -1);
  EXPECT_TRUE(e.form.List2.Rows.empty());
  EXPECT_EQ(e.form.Label9.Caption, "6");
  EXPECT_TRUE(e.form.Label9.Enabled);
  EXPECT_EQ(e.form.Label11.Caption, "10");
  EXPECT_TRUE(e.form.cmdNewL.Enabled);
  EXPECT_FALSE(e.form.cmdNewN.Enabled);
  EXPECT_EQ(e.form.txtT, "45");
  EXPECT_EQ(e.form.txtMin, "75");
  const auto title = support::titleLines(6);
  EXPECT_EQ(e.form.Text3, title[2]);
  EXPECT_EQ(e.form.Text2, title[4]);
  EXPECT_EQ(e.form.txtAddr, title[12]);
  EXPECT_EQ(e.form.Dir1.Path, s.dir.path());
  ASSERT_EQ(e.form.Dir1.Entries.size(), 7u);
  EXPECT_EQ(e.form.Dir1.Entries[0], s.dir.path() / "0");
  EXPECT_EQ(e.form.Dir1.Entries[6], s.dir.path() / "pics");
  EXPECT_EQ(e.form.File2.Path, s.dir.path() / "pics");
  EXPECT_EQ(e.form.File2.Names, (std::vector<std::string>{"1.gif", "2.gif", "3.gif"}));
  EXPECT_FALSE(e.form.File2.Enabled);

  // The state holds the files line by line as they were read.
  const auto js = support::answerKeyLines(6, "45", "75");
  EXPECT_EQ(e.state().JsHead[1], "6");
  EXPECT_EQ(e.state().Answers[23], js[10 + 2 * 23]);
  EXPECT_EQ(e.state().AnswerAfter[99], js[11 + 2 * 99]);
  EXPECT_EQ(e.state().JsTailCount, 3);
  EXPECT_EQ(e.state().TitleTailCount, 2);
  EXPECT_EQ(e.state().Index1Head[1], support::index1Lines()[1]);
  EXPECT_EQ(e.state().IndexHead[17], support::indexLines()[17]);
  EXPECT_EQ(support::differences(before, support::snapshot(s.dir.path())),
            std::vector<std::string>{});
}

TEST(Startup, StageRepairAgainstTheStageFolders) {
  struct Case {
    int folders, counted, stageCount;
    bool recovering;
  };
  const Case cases[] = {
      {7, 6, 7, true},    // a stage left by an interrupted new stage
      {8, 6, 7, true},    // two uncounted folders: the count rises by one only
      {5, 6, 5, false},   // the key names one stage more than there are
      {5, 7, 6, false},   // ... or two: the correction is exactly one
      {6, 6, 6, false},
      {0, 0, 0, false},   // only pics: an empty stage list
      {1, 0, 1, true},
      {10, 10, 10, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.folders << " folders, 1.js names " << c.counted);
    Started s({.stageFolders = c.folders, .stageCountLine = c.counted});
    const auto before = support::snapshot(s.dir.path());
    auto& e = s.h->editor;
    e.Form_Load();
    EXPECT_EQ(e.state().StageCount, c.stageCount);
    EXPECT_EQ(e.state().savedProduct(), c.recovering ? 0 : 1);
    for (auto flag : e.state().QuestionSaved) EXPECT_EQ(flag, c.recovering ? 0 : 1);
    // A new stage needs a stage to copy and room for one more.
    EXPECT_EQ(e.form.cmdNewL.Enabled, !c.recovering && c.stageCount > 0 && c.stageCount < 10);
    EXPECT_EQ(e.form.cmdDelLast.Enabled, c.stageCount > 0);
    EXPECT_EQ(e.form.cmdMix.Enabled, !c.recovering);
    EXPECT_EQ(e.form.Label9.Enabled, !c.recovering);
    EXPECT_EQ(e.form.Label9.Caption, std::to_string(c.stageCount));
    EXPECT_EQ(e.form.List1.Rows, rows(1, c.folders));
    std::multiset<std::string> reads;
    for (const auto& op : s.h->ownDisk.log()) {
      static const std::set<std::string> changing{"putFile",    "renameFile",   "deleteFile",
                                                  "makeFolder", "removeFolder", "syncFolder",
                                                  "putFileUnsynced", "syncFile"};
      EXPECT_EQ(changing.count(op.name), 0u)
          << "start-up changed something: " << op.name << " " << op.path;
      if (op.name == "readFile") reads.insert(op.path.filename().string());
    }
    EXPECT_EQ(reads, (std::multiset<std::string>{"1.js", "title.html", "index1.html", "index.html"}))
        << "start-up reads each file once";
    EXPECT_TRUE(support::differences(before, support::snapshot(s.dir.path())).empty());
  }
}

// A test at the root of a flash drive, beside the folders of the system, or with the Linux
// editor copied into it (the program, qt.conf and its libraries under a dot folder): those are no
// stage, are never touched, and do not stop a new stage, a removal or the exit's clean-up. Any
// other folder is refused, also when it appears while the editor runs, before anything is made.
TEST(Startup, TheSystemsFoldersAreNoPartOfTheTest) {
  const std::vector<std::string> system{".git", ".Trash-1000", "$RECYCLE.BIN",
                                        "System Volume Information", "RECYCLER", ".test_editor"};
  const std::vector<std::string> beside{"test_editor", "qt.conf",
                                        ".test_editor/lib/libQt6Core.so.6",
                                        ".test_editor/plugins/platforms/0.html"};
  support::Session s({}, [&](const fs::path& root) {
    for (const auto& name : system) {
      fs::create_directory(root / name);
      support::writeBytes(root / name / "0.html", "kept");
    }
    for (const auto& name : beside) {
      fs::create_directories((root / name).parent_path());
      support::writeBytes(root / name, "kept");
    }
  });
  EXPECT_EQ(s.form().List1.Rows, rows(1, 6));
  EXPECT_EQ(s.form().Dir1.Entries.size(), 7u);
  s.editor().cmdNewL_Click();
  EXPECT_EQ(s.form().List1.Rows, rows(1, 7));
  s.editor().cmdDelLast_Click();
  EXPECT_EQ(s.state().StageCount, 6);
  s.chooseQuestion(6, 2);
  fs::copy_file(s.root() / "2" / "3.html", s.root() / "3.html");
  s.editor().cmdEnd_Click();
  EXPECT_FALSE(fs::exists(s.root() / "3.html")) << "the exit's clean-up of the root stopped";
  for (const auto& name : system) EXPECT_EQ(support::readBytes(s.root() / name / "0.html"), "kept");
  for (const auto& name : beside) EXPECT_EQ(support::readBytes(s.root() / name), "kept");

  s.restart();
  fs::create_directory(s.root() / "extra");
  const auto before = support::snapshot(s.root());
  try {
    s.editor().cmdNewL_Click();
    ADD_FAILURE() << "a stray folder was not refused";
  } catch (const shell::ShellError& e) {
    EXPECT_EQ(e.file(), "extra");
  }
  EXPECT_EQ(support::snapshot(s.root()), before);
}

// Started in the wrong place, on a test with a link that leads out of it, or on a test that
// cannot be written, the teacher is told so at once, and nothing is written.
TEST(Startup, NoTestHereALinkOutOfTheTestAndAReadOnlyTest) {
  TempDir empty;
  Harness nowhere(empty.path());
  try {
    nowhere.editor.Form_Load();
    ADD_FAILURE() << "a folder without a test was opened";
  } catch (const shell::ShellError& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find("нет теста"), std::string::npos) << text;
    EXPECT_NE(text.find(empty.path().string()), std::string::npos) << text;
    EXPECT_NE(text.find("index.html и 1.js"), std::string::npos) << text;
  }

#ifndef _WIN32  // Wine makes no symbolic links
  TempDir elsewhere;
  Started linked({}, [&](const fs::path& root) {
    fs::rename(root / "5", elsewhere.path() / "5");
    fs::create_directory_symlink(elsewhere.path() / "5", root / "5");
  });
  const auto outside = support::snapshot(elsewhere.path());
  try {
    linked.h->editor.Form_Load();
    ADD_FAILURE() << "a stage folder linked out of the test was accepted";
  } catch (const shell::ShellError& e) {
    EXPECT_EQ(e.file(), "5");
  }
  EXPECT_EQ(support::snapshot(elsewhere.path()), outside);
#endif

  Started locked({});
  locked.h->ownDisk.protect(locked.dir.path() / "2");
  const auto before = support::snapshot(locked.dir.path());
  locked.h->editor.Form_Load();
  ASSERT_EQ(locked.h->dialogs.shown.size(), 1u);
  EXPECT_EQ(locked.h->dialogs.shown[0].title, "Редактор теста");
  EXPECT_NE(locked.h->dialogs.shown[0].text.find("«2»"), std::string::npos);
  EXPECT_EQ(support::snapshot(locked.dir.path()), before);
  EXPECT_EQ(locked.h->editor.state().StageCount, 6) << "the test still opens for reading";
}

// The tests opened last: kept in a file of the user's settings, most recent first, six at most,
// replaced whole; a file that cannot be read or written only means nothing is remembered, and
// the file is never written into a test.
TEST(RecentTests, RememberedOutsideTheTestsAndNeverInTheWay) {
  TempDir settings, tests;
  const fs::path file = settings.path() / "config" / "test-editor" / "recent-tests.txt";
  shell::RealDisk disk;
  lifecycle::RecentTests recent(disk, file);
  EXPECT_TRUE(recent.read().empty());
  std::vector<fs::path> folders;
  for (int i = 0; i < 8; ++i) {
    folders.push_back(tests.path() / ("Тест " + std::to_string(i)));
    recent.add(folders.back());
  }
  recent.add(folders[4] / "." / "");  // a folder already there moves to the front
  recent.add("relative/folder");
  EXPECT_EQ(recent.read(), (std::vector<fs::path>{folders[4], folders[7], folders[6], folders[5], folders[3], folders[2]}));
  EXPECT_EQ(fs::directory_iterator(file.parent_path()) == fs::directory_iterator(), false);
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);

  // A settings folder inside the test opened: nothing written there.
  lifecycle::RecentTests inside(disk, tests.path() / "Тест 9" / "settings" / "recent-tests.txt");
  inside.add(tests.path() / "Тест 9");
  EXPECT_FALSE(fs::exists(tests.path() / "Тест 9"));
  // Lines that name no folder are passed over; a folder in place of the file reads as nothing.
  support::writeBytes(file, "\r\nrelative\n" + shell::utf8(folders[1]) + "\r\n" + shell::utf8(folders[1]) + "\n");
  EXPECT_EQ(recent.read(), std::vector<fs::path>{folders[1]});
  support::FailingDisk failing;
  failing.onlyChanges = true;
  failing.failAt(1);
  lifecycle::RecentTests unwritable(failing, file);
  unwritable.add(folders[0]);
  EXPECT_EQ(recent.read(), std::vector<fs::path>{folders[1]});
  fs::remove(file);
  fs::create_directory(file);
  EXPECT_TRUE(recent.read().empty());
  recent.add(folders[0]);
  EXPECT_TRUE(lifecycle::RecentTests(disk, {}).read().empty());
#ifndef _WIN32
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  ::setenv("XDG_CONFIG_HOME", settings.path().c_str(), 1);
  EXPECT_EQ(lifecycle::recentTestsFile(), settings.path() / "test-editor" / "recent-tests.txt");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  ::setenv("HOME", settings.path().c_str(), 1);
  EXPECT_EQ(lifecycle::recentTestsFile(), settings.path() / ".config" / "test-editor" / "recent-tests.txt");
  EXPECT_EQ(lifecycle::documentsFolder(), settings.path());
  fs::create_directories(settings.path() / "Документы");
  EXPECT_EQ(lifecycle::documentsFolder(), settings.path() / "Документы");
  ::unsetenv("HOME");
  EXPECT_TRUE(lifecycle::recentTestsFile().empty());
  ::unsetenv("XDG_CONFIG_HOME");
  if (!home.empty()) ::setenv("HOME", home.c_str(), 1);
#endif
}

}  // namespace
