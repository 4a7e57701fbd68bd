#include <gtest/gtest.h>

#include "shell/Disk.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace {

using support::readBytes;
using support::TempDir;
using support::writeBytes;

TEST(RealDisk, ListingsAreSortedAndSeparateFoldersFromFiles) {
  TempDir dir;
  shell::RealDisk disk;
  for (const char* folder : {"pics", "1", "0", "2"}) shell::fs::create_directory(dir.path() / folder);
  for (const char* file : {"1.js", "bb.html", "ab.html", "3.html", "1.gif", "12.gif"}) {
    writeBytes(dir.path() / file, "x");
  }
  shell::fs::create_directory(dir.path() / "folder.html");
  EXPECT_EQ(disk.listFolders(dir.path()),
            (std::vector<std::string>{"0", "1", "2", "folder.html", "pics"}));
  EXPECT_EQ(disk.listFiles(dir.path(), "*.html"),
            (std::vector<std::string>{"3.html", "ab.html", "bb.html"}));
  EXPECT_EQ(disk.listFiles(dir.path(), "?.html"), std::vector<std::string>{"3.html"});
  EXPECT_EQ(disk.listFiles(dir.path(), "?.gif"), std::vector<std::string>{"1.gif"});
  EXPECT_TRUE(disk.fileExists(dir.path() / "1.js"));
  EXPECT_FALSE(disk.fileExists(dir.path() / "pics"));
}

TEST(RealDisk, FailuresNameThePathAndTheReasonInRussian) {
  TempDir dir;
  shell::RealDisk disk;
  auto message = [](auto&& op) {
    try {
      op();
    } catch (const shell::ShellError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  const auto missing = dir.path() / "missing.html";
  EXPECT_EQ(message([&] { disk.readFile(missing); }),
            missing.string() + ": не удалось открыть файл: не найден");
  EXPECT_NE(message([&] { disk.listFiles(dir.path() / "pics", "?.gif"); }).find("не найден"),
            std::string::npos);
  shell::fs::create_directory(dir.path() / "full");
  writeBytes(dir.path() / "full" / "0.html", "x");
  EXPECT_NE(message([&] { disk.removeFolder(dir.path() / "full"); }).find("папка не пуста"),
            std::string::npos);
  EXPECT_NE(message([&] { disk.readFile(dir.path() / "full"); }).find("это папка"),
            std::string::npos);
}

TEST(RealDisk, RenameReplacesTheTarget) {
  TempDir dir;
  shell::RealDisk disk;
  writeBytes(dir.path() / "a", "first");
  writeBytes(dir.path() / "c", "third");
  disk.renameFile(dir.path() / "c", dir.path() / "a");
  EXPECT_EQ(readBytes(dir.path() / "a"), "third");
  EXPECT_FALSE(shell::fs::exists(dir.path() / "c"));
}

}  // namespace
