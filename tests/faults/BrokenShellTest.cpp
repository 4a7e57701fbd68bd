// A corpus of broken shells. Start-up, or the first action that meets the damage, stops with
// one message that names the file and says what is wrong with it, in Russian, and no byte of
// the shell changes.

#include <gtest/gtest.h>

#include <functional>

#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using support::crlfJoin;
using support::crlfLines;

void rewrite(const fs::path& file, const std::vector<std::string>& lines) {
  support::writeBytes(file, crlfJoin(lines));
}
void resize(const fs::path& file, std::size_t lines) {
  auto l = crlfLines(file);
  l.resize(lines, "<p>more</p>");
  rewrite(file, l);
}
void setLine(const fs::path& file, std::size_t index, const std::string& value) {
  auto l = crlfLines(file);
  l.at(index) = value;
  rewrite(file, l);
}
void unixLineEnds(const fs::path& file) {
  std::string bytes;
  for (const auto& line : crlfLines(file)) bytes += line + "\n";
  support::writeBytes(file, bytes);
}

struct Broken {
  const char* what;
  std::function<void(const fs::path&)> breakIt;
  const char* file;     // named by the message: a name relative to the root, or a full path
  const char* problem;  // part of the message
  std::function<void(lifecycle::Editor&)> action = {};  // the first action; none: start-up
  std::vector<std::string> unreadable = {};             // files every read of which fails
};

const Broken kCorpus[] = {
    {"no 1.js", [](auto& r) { fs::remove(r / "1.js"); }, "1.js", "не найден"},
    {"no title.html", [](auto& r) { fs::remove(r / "title.html"); }, "title.html", "не найден"},
    {"no index1.html", [](auto& r) { fs::remove(r / "index1.html"); }, "index1.html", "не найден"},
    {"no index.html", [](auto& r) { fs::remove(r / "index.html"); }, "index.html", "не найден"},
    {"no pics folder", [](auto& r) { fs::remove_all(r / "pics"); }, "pics", "не найдена"},
    {"pics is a file",
     [](auto& r) {
       fs::remove_all(r / "pics");
       support::writeBytes(r / "pics", "");
     },
     "pics", "не найдена"},
    {"empty 1.js", [](auto& r) { support::writeBytes(r / "1.js", ""); }, "1.js", "0 строк"},
    {"empty title.html", [](auto& r) { support::writeBytes(r / "title.html", ""); }, "title.html",
     "0 строк"},
    {"empty index1.html", [](auto& r) { support::writeBytes(r / "index1.html", ""); },
     "index1.html", "0 строк"},
    {"empty index.html", [](auto& r) { support::writeBytes(r / "index.html", ""); }, "index.html",
     "0 строк"},
    {"1.js one line short", [](auto& r) { resize(r / "1.js", 209); }, "1.js",
     "209 строк, а нужно не меньше 210"},
    {"title.html one line short", [](auto& r) { resize(r / "title.html", 12); }, "title.html",
     "12 строк, а нужно не меньше 13"},
    {"index1.html one line short", [](auto& r) { resize(r / "index1.html", 1); }, "index1.html",
     "1 строка, а нужно не меньше 2"},
    {"index.html one line short", [](auto& r) { resize(r / "index.html", 17); }, "index.html",
     "17 строк, а нужно не меньше 18"},
    {"1.js tail one over", [](auto& r) { resize(r / "1.js", 612); }, "1.js",
     "612 строк, а допускается не больше 611"},
    {"title.html tail one over", [](auto& r) { resize(r / "title.html", 45); }, "title.html",
     "45 строк, а допускается не больше 44"},
    {"index1.html tail one over", [](auto& r) { resize(r / "index1.html", 34); }, "index1.html",
     "34 строки, а допускается не больше 33"},
    {"index.html tail one over", [](auto& r) { resize(r / "index.html", 50); }, "index.html",
     "50 строк, а допускается не больше 49"},
    {"1.js with LF line ends", [](auto& r) { unixLineEnds(r / "1.js"); }, "1.js", "LF без CR"},
    {"title.html with LF line ends", [](auto& r) { unixLineEnds(r / "title.html"); },
     "title.html", "LF без CR"},
    {"index.html with LF line ends", [](auto& r) { unixLineEnds(r / "index.html"); },
     "index.html", "LF без CR"},
    {"stage count a word", [](auto& r) { setLine(r / "1.js", 1, "шесть"); }, "1.js",
     "число этапов"},
    {"stage count empty", [](auto& r) { setLine(r / "1.js", 1, ""); }, "1.js", "число этапов"},
    {"stage count 11", [](auto& r) { setLine(r / "1.js", 1, "11"); }, "1.js", "от 0 до 10"},
    {"stage count negative", [](auto& r) { setLine(r / "1.js", 1, "-1"); }, "1.js", "от 0 до 10"},
    {"stray folder", [](auto& r) { fs::create_directory(r / "old"); }, "old", "лишняя папка"},
    {"two-digit folder", [](auto& r) { fs::create_directory(r / "10"); }, "10", "лишняя папка"},
#ifndef _WIN32  // names on Windows ignore case: "Pics" is the pictures folder itself
    {"upper-case Pics beside pics", [](auto& r) { fs::create_directory(r / "Pics"); }, "Pics",
     "лишняя папка"},
#endif
    {"gap in the stage folders", [](auto& r) { fs::rename(r / "2", r / "7"); }, "2",
     "нет папки этапа 3"},
    {"a file where a stage folder should be",
     [](auto& r) {
       fs::remove_all(r / "3");
       support::writeBytes(r / "3", "");
     },
     "3", "нет папки этапа 4"},
    {"title.html is a folder",
     [](auto& r) {
       fs::remove(r / "title.html");
       fs::create_directory(r / "title.html");
     },
     "title.html", "стоит папка"},
#ifndef _WIN32  // a link needs a privilege on Windows that a teacher's account lacks
    {"1.js is a dangling link",
     [](auto& r) {
       fs::remove(r / "1.js");
       fs::create_symlink(r / "nowhere.js", r / "1.js");
     },
     "1.js", "не найден"},
#endif
    {"1.js unreadable", {}, "1.js", "не читается", {}, {"1.js"}},
    {"change journal damaged, or pointing outside the test",
     [](auto& r) {
       support::writeBytes(r / ".changes.journal",
                           "test editor change 1\nreplace .x.tmp ../outside.html\nend\n");
     },
     ".changes.journal", "повреждена"},

    // Damage that start-up does not read, met by the first action.
    {"stage folder missing a page", [](auto& r) { fs::remove(r / "2" / "6.html"); }, "2/6.html",
     "не найдена", [](auto& e) { e.selectList1(2); }},
    {"page of 13 lines", [](auto& r) { resize(r / "2" / "9.html", 13); }, "2/9.html",
     "13 строк, а нужно не меньше 14", [](auto& e) { e.selectList1(2); }},
    {"page tail one over", [](auto& r) { resize(r / "2" / "9.html", 36); }, "2/9.html",
     "36 строк, а допускается не больше 35", [](auto& e) { e.selectList1(2); }},
    {"page with LF line ends", [](auto& r) { unixLineEnds(r / "2" / "9.html"); }, "2/9.html",
     "LF без CR", [](auto& e) { e.selectList1(2); }},
    {"page is a folder",
     [](auto& r) {
       fs::remove(r / "2" / "9.html");
       fs::create_directory(r / "2" / "9.html");
     },
     "2/9.html", "не найдена", [](auto& e) { e.selectList1(2); }},
    {"page unreadable", {}, "2/9.html", "не читается", [](auto& e) { e.selectList1(2); },
     {"2/9.html"}},
    {"template page missing for a new stage", [](auto& r) { fs::remove(r / "5" / "4.html"); },
     "5/4.html", "образец", [](auto& e) { e.cmdNewL_Click(); }},
    {"last stage holding a folder",
     [](auto& r) { fs::create_directory(r / "5" / "extra"); }, "5", "не только страницы",
     [](auto& e) { e.cmdDelLast_Click(); }},
    {"page missing when mixing", [](auto& r) { fs::remove(r / "1" / "1.html"); }, "1/1.html",
     "не найдена", [](auto& e) { e.cmdMix_Click(); }},
};

bool hasCyrillic(const std::string& text) {
  // Cyrillic letters start with the UTF-8 lead bytes 0xD0 and 0xD1.
  for (unsigned char c : text) {
    if (c == 0xD0 || c == 0xD1) return true;
  }
  return false;
}

TEST(BrokenShells, EachIsRefusedWithOneMessageAndNoByteChanges) {
  EXPECT_GE(std::size(kCorpus), 30u);
  for (const Broken& c : kCorpus) {
    SCOPED_TRACE(c.what);
    support::TempDir dir;
    support::buildShell(dir.path(), {.stageFolders = 6});
    if (c.breakIt) c.breakIt(dir.path());
    const auto before = support::snapshot(dir.path());
    support::Harness h(dir.path());
    for (const auto& name : c.unreadable) h.ownDisk.failPaths.push_back(dir.path() / name);
    int errors = 0;
    try {
      h.editor.Form_Load();
      if (c.action) c.action(h.editor);
    } catch (const shell::ShellError& e) {
      ++errors;
      const std::string file = e.file();
      EXPECT_TRUE(file == c.file || fs::path(file) == dir.path() / c.file)
          << "names " << file << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.problem), std::string::npos) << e.what();
      EXPECT_TRUE(hasCyrillic(e.problem())) << e.what();
    }
    EXPECT_EQ(errors, 1) << (c.action ? "the action" : "start-up") << " went through";
    EXPECT_TRUE(h.dialogs.shown.empty() || c.action) << "no other message";
    EXPECT_TRUE(support::differences(before, support::snapshot(dir.path())).empty());
  }
}

}  // namespace
