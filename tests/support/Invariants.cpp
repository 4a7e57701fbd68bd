#include "support/Invariants.h"

#include <regex>

#include "shell/Layout.h"
#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace support {

std::string uniqueAnswer(int slot) { return slot == 5 ? "" : "a" + std::to_string(slot); }

void uniqueAnswers(const fs::path& root) {
  auto js = crlfLines(root / "1.js");
  for (int slot = 0; slot < 100; ++slot) {
    js[static_cast<std::size_t>(10 + 2 * slot)] = uniqueAnswer(slot);
  }
  writeBytes(root / "1.js", crlfJoin(js));
}

int originSlot(const std::string& identity) {
  static const std::regex id("page (\\d+)\\.(\\d+)");
  std::smatch m;
  if (!std::regex_search(identity, m, id)) return -1;
  return shell::answerSlot(std::stoi(m[1]), std::stoi(m[2]));
}

namespace {

// Reads a file as a line table of its shape; returns its head, or records the problem.
std::vector<std::string> table(const fs::path& file, shell::TableShape shape,
                               std::vector<std::string>& problems) {
  std::vector<std::string> head(shape.head), tail(shape.tailCapacity);
  std::int16_t count = 0;
  try {
    shell::readTable(readBytes(file), shape, file.filename().string(), head, tail, count);
  } catch (const std::exception& e) {
    problems.push_back(std::string("unreadable or broken: ") + e.what() + " (" + file.string() + ")");
    return {};
  }
  return head;
}

}  // namespace

std::vector<std::string> checkShell(const fs::path& root, ShellContents* contents) {
  std::vector<std::string> problems;
  ShellContents found;
  const auto js = table(root / "1.js", shell::kAnswerKeyShape, problems);
  const auto title = table(root / "title.html", shell::kTitleShape, problems);
  table(root / "index1.html", shell::kIndex1Shape, problems);
  table(root / "index.html", shell::kIndexShape, problems);
  if (!fs::is_directory(root / "pics")) problems.push_back("no pics folder");

  std::set<std::string> folders;
  for (const auto& entry : fs::directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory()) {
      if (name == shell::kHistoryFolder) continue;  // the editor's own, beside the test
      if (name != "pics") folders.insert(name);
    } else if (shell::matchesPattern(name, "?.html")) {
      const auto lines = crlfLines(entry.path());
      if (!lines.empty()) found.rootPages.insert(lines[0]);
    } else if (name != "1.js" && name != "title.html" && name != "index1.html" &&
               name != "index.html" && !shell::matchesPattern(name, "*.txt")) {  // a .txt is the teacher's
      problems.push_back("left in the root: " + name);
    }
  }
  for (const auto& name : folders) {
    if (!shell::stageOfFolder(name)) problems.push_back("stray folder: " + name);
  }
  found.stageFolders = static_cast<int>(folders.size());
  for (int stage = 1; stage <= found.stageFolders; ++stage) {
    const fs::path folder = root / shell::stageFolderName(stage);
    if (!fs::is_directory(folder)) {
      problems.push_back("stage folders have a gap at " + shell::stageFolderName(stage));
      continue;
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (!shell::matchesPattern(name, "?.html")) problems.push_back("left in " + folder.string() + ": " + name);
    }
    for (int q = 1; q <= 10; ++q) {
      const fs::path page = folder / shell::pageName(q);
      if (!fs::exists(page)) {
        problems.push_back("missing page " + page.string());
        continue;
      }
      const auto head = table(page, shell::kPageShape, problems);
      if (!head.empty()) found.pageAt[shell::answerSlot(stage, q)] = head[0];
    }
  }
  if (!js.empty()) {
    for (int slot = 0; slot < 100; ++slot) found.answers.push_back(js[static_cast<std::size_t>(10 + 2 * slot)]);
    if (js[1] != shell::decimal(found.stageFolders)) {
      problems.push_back("1.js counts " + js[1] + " stages, folders: " +
                         shell::decimal(found.stageFolders));
    }
  }
  if (!title.empty() && title[6] != shell::decimal(found.stageFolders)) {
    problems.push_back("title.html counts " + title[6] + " stages, folders: " +
                       shell::decimal(found.stageFolders));
  }
  if (contents != nullptr) *contents = std::move(found);
  return problems;
}

}  // namespace support
