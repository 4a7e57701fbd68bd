#include "shell/Change.h"

#include <optional>
#include <set>
#include <sstream>

#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace shell {

namespace {

const char* const kHeader = "test editor change 1";

// Names in the journal: bytes other than letters, digits and ". _ - /" as %XX, so that every
// step is one line of plain words whatever the names hold.
std::string encode(std::string_view text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '_' || c == '-' || c == '/';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::optional<std::string> decode(std::string_view text) {
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int hi = hex(text[i + 1]), lo = hex(text[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

// A path of the journal stays inside the test's root: relative, no "..", no empty part.
bool insideRoot(const std::string& path) {
  if (path.empty() || path.front() == '/' || path.find('\\') != std::string::npos ||
      path.find(':') != std::string::npos) {
    return false;
  }
  std::istringstream parts(path);
  std::string part;
  while (std::getline(parts, part, '/')) {
    if (part.empty() || part == "." || part == "..") return false;
  }
  return true;
}

fs::path under(const fs::path& root, const std::string& relative) { return root / fromUtf8(relative); }

// Makes the names changed in `folders` durable; a folder that was removed has none left.
void syncChanged(Disk& disk, const std::set<fs::path>& folders, const std::set<fs::path>& removed) {
  for (const auto& folder : folders) {
    if (removed.count(folder) == 0) disk.syncFolder(folder);
  }
}

// Runs a step of the file `target` (relative to the root); a failure is told of that file, not
// of its temporary, which the teacher has never seen.
template <typename Step>
void naming(const std::string& target, Step step) {
  try {
    step();
  } catch (const ShellError& e) {
    throw ShellError(target, e.problem());
  }
}

[[noreturn]] void corrupt() {
  throw ShellError(kJournalFile,
                   "запись о незавершённом изменении теста повреждена, и редактор не может его "
                   "завершить. Проверьте папки этапов и временные файлы (.*.tmp) в папке теста; "
                   "затем удалите этот файл");
}

}  // namespace

Change::Change(Disk& disk, fs::path root) : disk_(disk), root_(std::move(root)) {}

std::string Change::relative(const fs::path& path) const {
  std::string out = utf8Generic(path.lexically_relative(root_));
  if (!insideRoot(out)) throw ShellError(utf8(path), "этот путь лежит вне папки теста");
  return out;
}

void Change::write(const fs::path& file, std::string bytes) {
  const std::string target = relative(file);
  if (bytes_.count(target) == 0) steps_.push_back({Step::Replace, target, temporaryName(target)});
  bytes_[target] = std::move(bytes);
}

std::string Change::read(const fs::path& file) {
  const auto found = bytes_.find(relative(file));
  return found != bytes_.end() ? found->second : disk_.readFile(file);
}

void Change::remove(const fs::path& file) { steps_.push_back({Step::Delete, relative(file), {}}); }

void Change::removeFolder(const fs::path& folder) {
  steps_.push_back({Step::RemoveFolder, relative(folder), {}});
}

void Change::addFolder(const fs::path& folder,
                       std::vector<std::pair<std::string, std::string>> files) {
  const std::string target = relative(folder);
  steps_.push_back({Step::AddFolder, target, temporaryName(target)});
  folders_[target] = std::move(files);
}

std::string Change::journalText() const {
  std::string out = std::string(kHeader) + "\n";
  for (const Step& step : steps_) {
    switch (step.kind) {
      case Step::Replace: out += "replace " + encode(step.temp) + " " + encode(step.target); break;
      case Step::Delete: out += "delete " + encode(step.target); break;
      case Step::RemoveFolder: out += "rmdir " + encode(step.target); break;
      case Step::AddFolder: out += "add " + encode(step.temp) + " " + encode(step.target); break;
    }
    out += "\n";
  }
  return out + "end\n";
}

void Change::commit() {
  if (steps_.empty()) return;
  // 1. New contents, each synced, under temporary names in the root; and every file the change
  // replaces or deletes free to be replaced. A failure here leaves the test as it was; the
  // temporaries are removed as far as possible (after a crash, the next start removes them).
  try {
    for (const Step& step : steps_) {
      const fs::path target = under(root_, step.target);
      if (step.kind == Step::Replace) {
        naming(step.target, [&] { disk_.putFile(root_ / step.temp, bytes_.at(step.target)); });
      } else if (step.kind == Step::AddFolder) {
        const fs::path temp = root_ / step.temp;
        naming(step.target, [&] {
          disk_.makeFolder(temp);
          for (const auto& [name, bytes] : folders_.at(step.target)) {
            disk_.putFile(temp / fromUtf8(name), bytes);
          }
          disk_.syncFolder(temp);
        });
      }
      if (step.kind == Step::Replace || step.kind == Step::Delete) {
        const std::string blocked = disk_.replaceBlocked(target);
        if (!blocked.empty()) {
          throw ShellError(step.target, std::string(step.kind == Step::Replace
                                                        ? "не удалось записать файл: "
                                                        : "не удалось удалить файл: ") +
                                            blocked);
        }
      }
    }
  } catch (const ShellError&) {
    dropTemporaries();
    throw;
  }
  // 2. The journal; with the root synced, the change is decided.
  const fs::path journal = root_ / kJournalFile;
  disk_.putFile(journal, journalText());
  disk_.syncFolder(root_);
  // 3. The steps, then every folder they changed made durable before the journal goes.
  std::set<fs::path> folders, removed;
  for (const Step& step : steps_) {
    const fs::path target = under(root_, step.target);
    switch (step.kind) {
      case Step::Replace:
      case Step::AddFolder:
        naming(step.target, [&] { disk_.renameFile(root_ / step.temp, target); });
        break;
      case Step::Delete: disk_.deleteFile(target); break;
      case Step::RemoveFolder:
        disk_.removeFolder(target);
        removed.insert(target);
        break;
    }
    folders.insert(target.parent_path());
  }
  folders.insert(root_);
  syncChanged(disk_, folders, removed);
  disk_.deleteFile(journal);
  disk_.syncFolder(root_);
  steps_.clear();
  bytes_.clear();
  folders_.clear();
}

void Change::dropTemporaries() noexcept {
  for (const Step& step : steps_) {
    try {
      const fs::path temp = root_ / step.temp;
      if (step.kind == Step::Replace && disk_.fileExists(temp)) disk_.deleteFile(temp);
      if (step.kind == Step::AddFolder && disk_.folderExists(temp)) {
        for (const auto& name : disk_.listFiles(temp, "*")) disk_.deleteFile(temp / fromUtf8(name));
        disk_.removeFolder(temp);
      }
    } catch (const std::exception&) {
      // Left for the next start, which removes the editor's temporaries.
    }
  }
}

bool Change::recover(Disk& disk, const fs::path& root) {
  bool changed = false;
  const fs::path journal = root / kJournalFile;
  if (disk.fileExists(journal)) {
    const std::string text = disk.readFile(journal);
    // A journal cut short was being written when the change stopped: nothing of the change
    // was made yet, and its temporaries are removed below.
    const std::string ending = "\nend\n";
    const bool ended = text.size() >= ending.size() &&
                       text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
    std::istringstream in(ended ? text.substr(0, text.size() - ending.size() + 1) : std::string());
    std::vector<std::vector<std::string>> lines;
    std::string line;
    if (ended && (!std::getline(in, line) || line != kHeader)) corrupt();
    while (ended && std::getline(in, line)) {
      std::istringstream words(line);
      std::vector<std::string> fields;
      for (std::string word; words >> word;) {
        const auto decoded = decode(word);
        if (!decoded) corrupt();
        fields.push_back(*decoded);
      }
      lines.push_back(std::move(fields));
    }
    if (ended) {
      std::set<fs::path> folders, removed;
      for (const auto& f : lines) {
        const bool two = f.size() == 3 && (f[0] == "replace" || f[0] == "add");
        const bool one = f.size() == 2 && (f[0] == "delete" || f[0] == "rmdir");
        if (!(two || one)) corrupt();
        for (std::size_t i = 1; i < f.size(); ++i) {
          if (!insideRoot(f[i])) corrupt();
        }
      }
      for (const auto& f : lines) {
        const fs::path target = under(root, f.back());
        if (f[0] == "replace") {
          if (disk.fileExists(root / f[1])) disk.renameFile(root / f[1], target);
        } else if (f[0] == "add") {
          if (disk.folderExists(root / f[1]) && !disk.folderExists(target)) {
            disk.renameFile(root / f[1], target);
          }
        } else if (f[0] == "delete") {
          if (disk.fileExists(target)) disk.deleteFile(target);
        } else {
          if (disk.folderExists(target)) disk.removeFolder(target);
          removed.insert(target);
        }
        folders.insert(target.parent_path());
      }
      syncChanged(disk, folders, removed);
    }
    disk.deleteFile(journal);
    changed = true;
  }

  // Temporaries of a change that did not reach its journal, in the root and the stage folders.
  for (const auto& name : disk.listFiles(root, "*")) {
    if (!isTemporaryName(name)) continue;
    disk.deleteFile(root / fromUtf8(name));
    changed = true;
  }
  // A new stage is prepared under a dot name, which some systems hide from listings: those
  // names are looked up one by one.
  std::set<std::string> folders;
  for (const auto& name : disk.listFolders(root)) folders.insert(name);
  for (int stage = 1; stage <= kMaxStages; ++stage) {
    const std::string temp = temporaryName(stageFolderName(stage));
    if (disk.folderExists(root / temp)) folders.insert(temp);
  }
  for (const auto& folder : folders) {
    const fs::path path = root / fromUtf8(folder);
    if (isTemporaryName(folder)) {
      for (const auto& name : disk.listFiles(path, "*")) disk.deleteFile(path / fromUtf8(name));
      disk.removeFolder(path);
      changed = true;
    } else if (stageOfFolder(folder)) {
      bool here = false;
      for (const auto& name : disk.listFiles(path, "*")) {
        if (!isTemporaryName(name)) continue;
        disk.deleteFile(path / fromUtf8(name));
        here = true;
      }
      if (here) disk.syncFolder(path);
      changed = changed || here;
    }
  }
  if (changed) disk.syncFolder(root);
  return changed;
}

}  // namespace shell
