#include "shell/Change.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <set>
#include <string_view>

#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace shell {

namespace {

using Step = Change::Step;

const char* const kHeader = "test editor change 1";
// The first word of a step's line, by its kind.
const char* const kWords[] = {"replace", "delete", "rmdir", "add"};

// Whether a step renames a temporary into place, and so names it in the journal.
bool hasTemporary(Step::Kind kind) { return kind == Step::Replace || kind == Step::AddFolder; }

fs::path under(const fs::path& root, const std::string& relative) { return root / fromUtf8(relative); }
fs::path temporary(const fs::path& root, const Step& step) {
  return under(root, temporaryName(step.target));
}

[[noreturn]] void corrupt() {
  throw ShellError(kJournalFile,
                   "запись о незавершённом изменении теста повреждена, и редактор не может его "
                   "завершить. Проверьте папки этапов и временные файлы (.*.tmp) в папке теста; "
                   "затем удалите этот файл");
}

std::string journalText(const std::vector<Step>& steps) {
  std::string out = std::string(kHeader) + "\n";
  for (const Step& step : steps) {
    out += kWords[step.kind];
    if (hasTemporary(step.kind)) out += " " + wordEncoded(temporaryName(step.target));
    out += " " + wordEncoded(step.target) + "\n";
  }
  return out + "end\n";
}

// The words of one line of the journal, decoded.
std::vector<std::string> words(std::string_view line) {
  std::vector<std::string> out;
  for (std::size_t start = 0;;) {
    const std::size_t space = line.find(' ', start);
    const auto word = wordDecoded(line.substr(start, space - start));
    if (!word) corrupt();
    out.push_back(*word);
    if (space == std::string_view::npos) return out;
    start = space + 1;
  }
}

// The steps of a journal, without their bytes, by the grammar journalText writes; nothing when
// the journal was cut short. Refuses a damaged journal, or one with a path outside the root.
std::optional<std::vector<Step>> readJournal(std::string_view text) {
  const std::string_view ending = "\nend\n";
  if (text.size() < ending.size() || text.substr(text.size() - ending.size()) != ending) {
    return std::nullopt;
  }
  text.remove_suffix(ending.size() - 1);  // every line left ends in LF
  std::vector<Step> steps;
  for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    const std::string_view line = text.substr(start, end - start);
    if (start == 0) {
      if (line != kHeader) corrupt();
      continue;
    }
    const auto w = words(line);
    const auto word = std::find(std::begin(kWords), std::end(kWords), w[0]);
    if (word == std::end(kWords)) corrupt();
    const auto kind = static_cast<Step::Kind>(word - std::begin(kWords));
    if (w.size() != (hasTemporary(kind) ? 3u : 2u) || !insideRoot(w.back()) ||
        (hasTemporary(kind) && w[1] != temporaryName(w.back()))) {
      corrupt();
    }
    steps.push_back({kind, w.back(), {}, {}});
  }
  return steps;
}

// Makes the names that the steps changed durable: in the root and in the folder of every target,
// but not in a folder the steps removed, which has none left.
void syncChanged(Disk& disk, const fs::path& root, const std::vector<Step>& steps) {
  std::set<fs::path> folders{root};
  for (const Step& step : steps) folders.insert(under(root, step.target).parent_path());
  for (const Step& step : steps) {
    if (step.kind == Step::RemoveFolder) folders.erase(under(root, step.target));
  }
  for (const auto& folder : folders) disk.syncFolder(folder);
}

// Makes again every step of a complete journal that is not made yet. A temporary that is gone
// has reached its target; a folder that is in place already is not replaced.
void replay(Disk& disk, const fs::path& root, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    const fs::path target = under(root, step.target), temp = temporary(root, step);
    switch (step.kind) {
      case Step::Replace:
        if (disk.fileExists(temp)) disk.renameFile(temp, target);
        break;
      case Step::AddFolder:
        if (disk.folderExists(temp) && !disk.folderExists(target)) disk.renameFile(temp, target);
        break;
      case Step::Delete:
        if (disk.fileExists(target)) disk.deleteFile(target);
        break;
      case Step::RemoveFolder:
        if (disk.folderExists(target)) disk.removeFolder(target);
        break;
    }
  }
  syncChanged(disk, root, steps);
}

// Removes the temporaries of a change that did not reach its journal from the root (where a
// change makes them all); tells whether there were any. `folders`: the root's subfolders as
// listed before any journal was replayed.
bool removeTemporaries(Disk& disk, const fs::path& root, const std::vector<std::string>& folders) {
  bool removed = false;
  for (const auto& name : disk.listFiles(root, "*")) {
    if (!isTemporaryName(name)) continue;
    disk.deleteFile(root / fromUtf8(name));
    removed = true;
  }
  // A new folder is prepared, and a removed one put aside, under a dot name, which some systems
  // hide from listings: the names a new stage's folder is given, and the first names a removed
  // folder is put under, are looked up one by one as well.
  std::set<std::string> temporaries;
  for (const auto& name : folders) {
    if (isTemporaryName(name)) temporaries.insert(name);
  }
  for (int stage = 1; stage <= kMaxStages; ++stage) temporaries.insert(temporaryName(stageFolderName(stage)));
  for (int attempt = 0; attempt < 10; ++attempt) temporaries.insert(deletedName(attempt));
  for (const auto& name : temporaries) {
    const fs::path path = root / fromUtf8(name);
    if (!disk.folderExists(path)) continue;  // gone, or renamed into place by the journal
    for (const auto& file : disk.listFiles(path, "*")) disk.deleteFile(path / fromUtf8(file));
    disk.removeFolder(path);
    removed = true;
  }
  return removed;
}

// Runs a step of the file `target` (relative to the root); a failure is told of that file, not
// of its temporary, which the teacher has never seen.
template <typename Work>
void naming(const std::string& target, Work work) {
  try {
    work();
  } catch (const ShellError& e) {
    throw ShellError(target, e.problem());
  }
}

}  // namespace

std::string KnownFiles::read(Disk& disk, const fs::path& file) {
  const std::optional<FileStamp> stamp = disk.stampFile(file);
  std::string bytes = disk.readFile(file);
  if (stamp) files_[file.lexically_normal()] = {bytes, *stamp};
  else forget(file);
  return bytes;
}

bool KnownFiles::holds(Disk& disk, const fs::path& file, std::string_view bytes) const {
  const auto known = files_.find(file.lexically_normal());
  if (known == files_.end() || known->second.bytes != bytes) return false;
  const std::optional<FileStamp> now = disk.stampFile(file);
  return now && *now == known->second.stamp;
}

const std::string* KnownFiles::current(Disk& disk, const fs::path& file) const {
  const auto known = files_.find(file.lexically_normal());
  if (known == files_.end()) return nullptr;
  const std::optional<FileStamp> now = disk.stampFile(file);
  return now && *now == known->second.stamp ? &known->second.bytes : nullptr;
}

void KnownFiles::keep(Disk& disk, const fs::path& file, std::string bytes) {
  const auto known = files_.find(file.lexically_normal());
  if (known == files_.end()) return;
  if (const std::optional<FileStamp> stamp = disk.stampFile(file)) {
    known->second = {std::move(bytes), *stamp};
  } else {
    files_.erase(known);
  }
}

void KnownFiles::forget(const fs::path& path) {
  const fs::path gone = path.lexically_normal();
  std::erase_if(files_, [&](const auto& known) { return isInside(known.first, gone); });
}

Change::Change(Disk& disk, fs::path root, KnownFiles* known, History* history)
    : disk_(disk), root_(std::move(root)), known_(known), history_(history) {}

void Change::describe(HistoryNote note, std::int64_t now) {
  note_ = std::move(note);
  now_ = now;
}

// What each step replaces, for the record; a file that holds its new bytes already is no step.
// The bytes a file held are those the editor knows where its stamp is unchanged, else read.
std::vector<HistoryItem> Change::recordItems() {
  auto before = [&](const fs::path& file) -> std::optional<std::string> {
    if (known_ != nullptr) {
      if (const std::string* bytes = known_->current(disk_, file)) return *bytes;
    }
    if (!disk_.fileExists(file)) return std::nullopt;
    return disk_.readFile(file);
  };
  std::vector<HistoryItem> items;
  std::erase_if(steps_, [&](const Step& step) {
    const fs::path target = under(root_, step.target);
    switch (step.kind) {
      case Step::Replace: {
        auto old = before(target);
        if (old == step.bytes) return true;
        items.push_back({step.target, false, std::move(old), step.bytes});
        break;
      }
      case Step::Delete: items.push_back({step.target, false, before(target), std::nullopt}); break;
      case Step::RemoveFolder: items.push_back({step.target, true, std::string(), std::nullopt}); break;
      case Step::AddFolder:
        items.push_back({step.target, true, std::nullopt, std::string()});
        for (const auto& [name, bytes] : step.files) items.push_back({step.target + "/" + name, false, std::nullopt, bytes});
        break;
    }
    return false;
  });
  return items;
}

std::string Change::relative(const fs::path& path) const {
  std::string out = utf8Generic(path.lexically_relative(root_));
  if (!insideRoot(out)) throw ShellError(utf8(path), "этот путь лежит вне папки теста");
  return out;
}

Change::Step* Change::replacing(const std::string& target) {
  for (Step& step : steps_) {
    if (step.kind == Step::Replace && step.target == target) return &step;
  }
  return nullptr;
}

void Change::write(const fs::path& file, std::string bytes) {
  const std::string target = relative(file);
  if (Step* step = replacing(target)) step->bytes = std::move(bytes);
  else steps_.push_back({Step::Replace, target, std::move(bytes), {}});
}

std::string Change::read(const fs::path& file) {
  if (const Step* step = replacing(relative(file))) return step->bytes;
  return known_ != nullptr ? known_->read(disk_, file) : disk_.readFile(file);
}

void Change::remove(const fs::path& file) { steps_.push_back({Step::Delete, relative(file), {}, {}}); }

void Change::removeFolder(const fs::path& folder) {
  steps_.push_back({Step::RemoveFolder, relative(folder), {}, {}});
}

void Change::addFolder(const fs::path& folder,
                       std::vector<std::pair<std::string, std::string>> files) {
  steps_.push_back({Step::AddFolder, relative(folder), {}, std::move(files)});
}

// A change of one step prepares it beside its target, so that the one sync of the target's
// folder makes both the rename and the temporary's going durable; a journaled one prepares every
// step in the root, where the journal names it.
fs::path Change::temporaryOf(const Step& step) const {
  if (steps_.size() > 1) return temporary(root_, step);
  const std::size_t slash = step.target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : step.target.substr(0, slash + 1);
  return under(root_, folder + temporaryName(step.target.substr(folder.size())));
}

// The new content of a step under its temporary name, not synced yet (settle() syncs it); and
// every file the step replaces or deletes free to be replaced.
void Change::prepare(const Step& step) {
  const fs::path temp = temporaryOf(step);
  if (step.kind == Step::Replace) {
    naming(step.target, [&] { disk_.putFileUnsynced(temp, step.bytes); });
  } else if (step.kind == Step::AddFolder) {
    naming(step.target, [&] {
      disk_.makeFolder(temp);
      for (const auto& [name, bytes] : step.files) disk_.putFileUnsynced(temp / fromUtf8(name), bytes);
    });
  }
  if (step.kind == Step::Replace || step.kind == Step::Delete) {
    const std::string blocked = disk_.replaceBlocked(under(root_, step.target));
    if (!blocked.empty()) {
      throw ShellError(step.target, std::string(step.kind == Step::Replace
                                                    ? "не удалось записать файл: "
                                                    : "не удалось удалить файл: ") +
                                        blocked);
    }
  }
}

// Makes the prepared content of a step durable: a change writes all its contents first and then
// syncs each, so that the system can write them out together rather than one after another.
void Change::settle(const Step& step) {
  const fs::path temp = temporaryOf(step);
  if (step.kind == Step::Replace) {
    naming(step.target, [&] { disk_.syncFile(temp); });
  } else if (step.kind == Step::AddFolder) {
    naming(step.target, [&] {
      for (const auto& file : step.files) disk_.syncFile(temp / fromUtf8(file.first));
      disk_.syncFolder(temp);
    });
  }
}

void Change::make(const Step& step) {
  const fs::path target = under(root_, step.target);
  switch (step.kind) {
    case Step::Replace:
    case Step::AddFolder:
      naming(step.target, [&] { disk_.renameFile(temporaryOf(step), target); });
      break;
    case Step::Delete: disk_.deleteFile(target); break;
    case Step::RemoveFolder: disk_.removeFolder(target); break;
  }
}

// The history could not be looked at or written: the change goes on without its record, and
// the reason is kept for the teacher.
void Change::historyFailed(const ShellError& error) {
  const fs::path folder = root_ / kHistoryFolder;
  bool fileInItsPlace = false;
  try {
    fileInItsPlace = disk_.fileExists(folder);
  } catch (const ShellError&) {
    // Not even that can be looked at: the error's own reason says enough.
  }
  if (fileInItsPlace) {
    historyFailure_ = "на её месте лежит файл с тем же именем";
  } else {
    const std::string& problem = error.problem();
    const std::size_t colon = problem.rfind(": ");
    historyFailure_ = colon == std::string::npos ? problem : problem.substr(colon + 2);
  }
}

// The record of the change: a new one for a described change, and for the editor's own writes
// the newest record with them joined to it, or none.
void Change::prepareRecord(std::vector<HistoryItem> items) {
  try {
    record_ = note_ ? history_->pending(disk_, *note_, std::move(items), now_) : history_->joined(items);
  } catch (const ShellError& e) {
    historyFailed(e);
  }
}

// The record is written before the change's first step. A failure to write it is the history's,
// never the test's: what was made of the record goes, and the change is made without it.
void Change::putRecord() {
  try {
    if (record_->newFolder) {
      disk_.makeFolder(record_->file.parent_path());
      recordFolderMade_ = true;
    }
    disk_.putFileUnsynced(record_->file, record_->bytes);
  } catch (const ShellError& e) {
    historyFailed(e);
    dropRecord();
  }
}

void Change::commit() {
  // A file that holds its new bytes already is no step of the change.
  if (history_ != nullptr) {
    std::vector<HistoryItem> items = recordItems();
    if (!steps_.empty()) prepareRecord(std::move(items));
  } else if (known_ != nullptr) {
    std::erase_if(steps_, [&](const Step& step) {
      return step.kind == Step::Replace &&
             known_->holds(disk_, under(root_, step.target), step.bytes);
    });
  }
  if (steps_.empty()) return;
  // New contents, each synced, under temporary names. A failure here leaves the test as it was;
  // the temporaries are removed as far as possible (after a crash, the next start removes them).
  try {
    if (record_) putRecord();
    for (const Step& step : steps_) prepare(step);
    // The record (and the history's folder, made by the first change) is not synced: a sync of its own would add half again to the save of one page
    // on a slow stick, and a record that a power cut loses or tears costs only the history,
    // since start-up keeps the newest record only when the files hold what it says (and a torn
    // one fails its check). A kill leaves it whole: the system holds what was written.
    for (const Step& step : steps_) settle(step);
    // One step lands whole by itself: no journal.
    if (steps_.size() == 1) make(steps_.front());
  } catch (const ShellError&) {
    dropTemporaries();
    throw;
  }
  if (steps_.size() == 1) {
    disk_.syncFolder(under(root_, steps_.front().target).parent_path());
  } else {
    // The journal; with the root synced, the change is decided. Then the steps, and every
    // folder they changed made durable before the journal goes.
    const fs::path journal = root_ / kJournalFile;
    disk_.putFile(journal, journalText(steps_));
    disk_.syncFolder(root_);
    for (const Step& step : steps_) make(step);
    syncChanged(disk_, root_, steps_);
    disk_.deleteFile(journal);
    disk_.syncFolder(root_);
  }
  if (known_ != nullptr) {
    for (Step& step : steps_) {
      const fs::path target = under(root_, step.target);
      if (step.kind == Step::Replace) known_->keep(disk_, target, std::move(step.bytes));
      else known_->forget(target);
    }
  }
  steps_.clear();
  if (record_) {
    history_->recorded(*record_);
    record_.reset();
    history_->tidy(disk_);
  } else if (historyFailure_) {
    // The test has a change its history does not hold.
    history_->abandon();
  }
}

void Change::dropRecord() noexcept {
  if (!record_) return;
  try {
    if (disk_.fileExists(record_->file)) disk_.deleteFile(record_->file);
    if (recordFolderMade_) disk_.removeFolder(record_->file.parent_path());
  } catch (const std::exception&) {
    // Left for the next start, which deletes a record whose change never landed.
  }
  record_.reset();
  recordFolderMade_ = false;
}

void Change::dropTemporaries() noexcept {
  dropRecord();
  for (const Step& step : steps_) {
    try {
      const fs::path temp = temporaryOf(step);
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

bool Change::recover(Disk& disk, const fs::path& root) { return recover(disk, root, disk.listFolders(root)); }

bool Change::recover(Disk& disk, const fs::path& root, const std::vector<std::string>& folders) {
  const fs::path journal = root / kJournalFile;
  const bool journaled = disk.fileExists(journal);
  if (journaled) {
    // A journal cut short was being written when the change stopped: nothing of the change was
    // made yet, and its temporaries are removed below. A whole one may have stopped before the
    // root was synced: the root is synced before the first step, as a commit does.
    if (const auto steps = readJournal(disk.readFile(journal))) {
      disk.syncFolder(root);
      replay(disk, root, *steps);
    }
    disk.deleteFile(journal);
  }
  const bool removed = removeTemporaries(disk, root, folders);
  if (journaled || removed) disk.syncFolder(root);
  return journaled || removed;
}

}  // namespace shell
