// What only the Windows disk meets: a teacher's folder named in Russian, a file another
// program holds open, folders the system hides, and the program's own folder.

#include <gtest/gtest.h>
#include <windows.h>

#include "lifecycle/ShellRoot.h"
#include "shell/Disk.h"
#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"
#include "support/Invariants.h"

namespace {

namespace fs = std::filesystem;
using support::crlfJoin;
using support::readBytes;

const std::string kNewText = "\xCD\xEE\xE2\xFB\xE9 \xEE\xF2\xE2\xE5\xF2";  // "Новый ответ"

std::string text(const std::u8string& s) {
  return std::string(s.begin(), s.end());
}

// Chooses question 4 of stage 3 (page 2/3.html).
void choose(lifecycle::Editor& editor) {
  editor.selectList1(2);
  if (!editor.selectList2(3)) editor.List2_Click();
}

// Puts the new text into the second answer of question 4 of stage 3 and makes "2" its right
// answer.
void editQuestion(lifecycle::Editor& editor) {
  choose(editor);
  editor.form.Text1[2] = kNewText;
  editor.form.Text1[5] = "2";
}

TEST(WindowsDisk, AShellInAFolderNamedInRussianIsSavedAndReadBack) {
  support::TempDir dir;
  const fs::path root = dir.path() / fs::path(u8"Тесты") / fs::path(u8"Информатика 9 класс");
  fs::create_directories(root);
  support::buildShell(root);
  {
    support::Harness h(root);
    h.editor.Form_Load();
    editQuestion(h.editor);
    h.editor.cmdSave_Click();
  }
  auto page = support::pageLines(3, 4);
  page[9] = kNewText;
  EXPECT_EQ(readBytes(root / "2" / "3.html"), crlfJoin(page));
  auto key = support::answerKeyLines(6);
  key[10 + 2 * 23] = "2";
  EXPECT_EQ(readBytes(root / "1.js"), crlfJoin(key));
  EXPECT_EQ(support::checkShell(root), std::vector<std::string>{});

  support::Harness again(root);
  again.editor.Form_Load();
  choose(again.editor);
  EXPECT_EQ(again.editor.form.Text1[2], kNewText);
  EXPECT_EQ(again.editor.form.Text1[5], "2");

  // A message names the file in UTF-8, the Russian folder names whole.
  try {
    shell::RealDisk().readFile(root / "9.html");
    ADD_FAILURE() << "a missing file was read";
  } catch (const shell::ShellError& e) {
    EXPECT_EQ(e.file(),
              text(dir.path().u8string()) + text(u8"\\Тесты\\Информатика 9 класс\\9.html"));
  }
}

TEST(WindowsDisk, ASaveOverAFileAnotherProgramHoldsStopsNamingItAndLosesNothing) {
  for (const char* held : {"2/3.html", "1.js"}) {
    SCOPED_TRACE(held);
    support::Session s;
    editQuestion(s.editor());
    const fs::path file = s.root() / fs::path(held).make_preferred();
    const std::string before = readBytes(file);
    const auto whole = support::snapshot(s.root());
    // Another program's hold: open for reading, letting others only read, as an archiver or
    // a virus scanner may leave a file.
    HANDLE other = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    try {
      s.editor().cmdSave_Click();
      ADD_FAILURE() << "the save went through";
    } catch (const shell::ShellError& e) {
      EXPECT_EQ(e.file(), held);
      EXPECT_NE(std::string(e.what()).find("не удалось записать файл"), std::string::npos)
          << e.what();
      EXPECT_NE(std::string(e.what()).find("занят другой программой"), std::string::npos)
          << e.what();
    }
    ::CloseHandle(other);
    EXPECT_EQ(readBytes(file), before);
    // The whole save stopped before any file changed: the test is as before, whole and
    // without a temporary file or journal, and the next start goes through.
    EXPECT_EQ(support::checkShell(s.root()), std::vector<std::string>{});
    EXPECT_EQ(support::snapshot(s.root()), whole);
    EXPECT_NO_THROW(s.restart());
  }

  // A page marked read-only stops the save the same way, before anything changes; a rename
  // over it would fail after the journal, at every start again.
  support::Session s;
  editQuestion(s.editor());
  const fs::path page = s.root() / "2" / "3.html";
  ASSERT_TRUE(::SetFileAttributesW(page.c_str(), FILE_ATTRIBUTE_READONLY));
  const auto whole = support::snapshot(s.root());
  try {
    s.editor().cmdSave_Click();
    ADD_FAILURE() << "the save went through";
  } catch (const shell::ShellError& e) {
    EXPECT_EQ(e.file(), "2/3.html");
    EXPECT_NE(std::string(e.what()).find("только чтение"), std::string::npos) << e.what();
  }
  EXPECT_EQ(support::snapshot(s.root()), whole);
  ::SetFileAttributesW(page.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A page or folder of the test is renamed aside, written through, before it is deleted, and
// leaves nothing: a read-only page, one another program holds, a folder with files in it are
// refused as Windows refuses them, untouched. A page held by a program that lets it be deleted
// is gone from its name at once, and its leftover, pending, makes the next one go aside under
// another name. What a power cut leaves aside, hidden or not, goes at the next start.
TEST(WindowsDisk, ADeletionLastsAndLeavesNothingInTheWay) {
  support::TempDir dir;
  shell::RealDisk disk;
  const fs::path stage = dir.path() / "5";
  fs::create_directory(stage);
  for (const char* name : {"0.html", "1.html", "2.html"}) support::writeBytes(stage / name, name);
  const auto whole = support::snapshot(dir.path());
  ASSERT_TRUE(::SetFileAttributesW((stage / "0.html").c_str(), FILE_ATTRIBUTE_READONLY));
  try {
    disk.deleteFile(stage / "0.html");
    ADD_FAILURE() << "a read-only page was deleted";
  } catch (const shell::ShellError& e) {
    EXPECT_NE(std::string(e.what()).find("только чтение"), std::string::npos) << e.what();
  }
  ::SetFileAttributesW((stage / "0.html").c_str(), FILE_ATTRIBUTE_NORMAL);
  auto hold = [&](const char* name, DWORD share) {
    return ::CreateFileW((stage / name).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE other = hold("1.html", FILE_SHARE_READ);
  EXPECT_THROW(disk.deleteFile(stage / "1.html"), shell::ShellError);
  ::CloseHandle(other);
  EXPECT_THROW(disk.removeFolder(stage), shell::ShellError);
  EXPECT_EQ(support::snapshot(dir.path()), whole);

  other = hold("0.html", FILE_SHARE_READ | FILE_SHARE_DELETE);
  disk.deleteFile(stage / "0.html");
  const auto left = disk.listFiles(stage, "*.html");
  bool reused = true;
  try {
    disk.putFile(stage / "0.html", "new");
    disk.deleteFile(stage / "0.html");
  } catch (const shell::ShellError&) {
    reused = false;
  }
  ::CloseHandle(other);
  EXPECT_EQ(left, (std::vector<std::string>{"1.html", "2.html"}));
  EXPECT_TRUE(reused) << "the name stayed taken while another program held the page";
  for (const char* name : {"1.html", "2.html"}) disk.deleteFile(stage / name);
  disk.removeFolder(stage);
  EXPECT_EQ(support::snapshot(dir.path()), (std::map<std::string, std::string>{}));

  support::Session s;
  const auto test = support::snapshot(s.root());
  support::writeBytes(s.root() / "2" / shell::deletedName(0), "page");
  for (const int attempt : {0, 1}) {
    const fs::path aside = s.root() / shell::deletedName(attempt);
    fs::create_directory(aside);
    support::writeBytes(aside / "0.html", "page");
    const DWORD mark = attempt == 0 ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL;
    ASSERT_TRUE(::SetFileAttributesW(aside.c_str(), mark));
  }
  s.restart();
  EXPECT_EQ(support::differences(test, support::snapshot(s.root())), std::vector<std::string>{});
  EXPECT_EQ(s.state().StageCount, 6);
}

TEST(WindowsDisk, FoldersTheSystemHidesAreNotStages) {
  support::TempDir dir;
  support::buildShell(dir.path());
  for (const char* name : {"Thumbs", "System Volume Information"}) {
    fs::create_directory(dir.path() / name);
  }
  ASSERT_TRUE(::SetFileAttributesW((dir.path() / "Thumbs").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(::SetFileAttributesW((dir.path() / "System Volume Information").c_str(),
                                   FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(shell::RealDisk().listFolders(dir.path()),
            (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "pics"}));
  support::Harness h(dir.path());
  EXPECT_NO_THROW(h.editor.Form_Load());
  EXPECT_EQ(h.editor.state().StageCount, 6);
}

TEST(WindowsDisk, ResolvedPathsWriteAccessFolderRenamesAndTheProgramFolder) {
  support::TempDir dir;
  shell::RealDisk disk;
  const fs::path folder = dir.path() / fs::path(u8"Тест");
  fs::create_directory(folder);
  support::writeBytes(folder / "1.js", "key");
  EXPECT_TRUE(fs::equivalent(disk.resolvedPath(folder / "1.js"), folder / "1.js"));
  EXPECT_EQ(disk.resolvedPath(folder / "1.js").filename(), "1.js");
  EXPECT_EQ(disk.resolvedPath(folder / "none"), fs::absolute(folder / "none"));

  EXPECT_TRUE(disk.writable(folder));
  EXPECT_TRUE(disk.writable(folder / "1.js"));
  EXPECT_FALSE(disk.writable(folder / "none"));
  ASSERT_TRUE(::SetFileAttributesW((folder / "1.js").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(disk.writable(folder / "1.js"));
  ::SetFileAttributesW((folder / "1.js").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(readBytes(folder / "1.js"), "key");

  // A folder is renamed, also over an empty folder, as a rename replaces one elsewhere.
  fs::create_directory(dir.path() / "5");
  disk.renameFile(folder, dir.path() / "5");
  EXPECT_EQ(readBytes(dir.path() / "5" / "1.js"), "key");
  EXPECT_FALSE(fs::exists(folder));

  EXPECT_TRUE(fs::is_regular_file(lifecycle::programFolder() / "core_tests.exe"));
}

}  // namespace
