// Start-up: find the shell, list its stages and pictures, read the answer key and the root
// pages into the state, fill the settings fields, and reconcile the number of stages named in
// the answer key with the stage folders on disk. Nothing is written.

#include <algorithm>
#include <vector>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace lifecycle {

using shell::ShellError;

void Editor::Form_Load() {
  if (screen_ != nullptr) {
    state_.ScaleFactor = screen_->twipsPerPixelY() / 12.0;
    screen_->scaleWindow(state_.ScaleFactor);
  } else {
    state_.ScaleFactor = 1.0;
  }
  load();
}

// Everything of start-up but the window's scale: also the reading of the test again after an
// undo, a redo or a return to a point.
void Editor::load() {
  state_.LastStageQuestions = 10;
  form.cmdNewN.Enabled = false;
  state_.ShellPath = shellRoot_;
  refuseNoTest();
  const std::vector<std::string> folders = disk_.listFolders(state_.ShellPath);
  listRoot(folders);
  const std::vector<fs::path> leftovers = refuseOutsideLinks();
  // Work that an interruption left half done is finished (or its temporaries removed) before
  // the test is read; the root is listed again when that changed something.
  if (shell::Change::recover(disk_, state_.ShellPath, folders)) {
    listRoot(disk_.listFolders(state_.ShellPath));
  }
  removeLeftovers(leftovers);
  // The history, checked against the files as recovery left them; it never stops the test.
  history_.load(disk_, state_.ShellPath);
  form.File2.Path = state_.ShellPath / shell::kPicturesFolder;
  form.File2.Names = listPictures();
  rebuildStageList();
  readAnswerKey();
  repairStageCount();
  form.Label9.Caption = shell::decimal(state_.StageCount);
  form.txtT = state_.JsHead[shell::key::kMinutes];
  form.txtMin = state_.JsHead[shell::key::kPassMark];
  readRootPages();
  applyVolumeLimits();
  warnIfReadOnly();
}

// A folder with neither the start page nor the answer key is no test at all: most likely the
// editor was started from the wrong place, or opened on the wrong folder, and the teacher is told
// where to put it or what to open.
void Editor::refuseNoTest() {
  if (disk_.fileExists(rootFile(shell::kAnswerKeyFile)) || disk_.fileExists(rootFile(shell::kIndexFile))) {
    return;
  }
  throw ShellError("", "В папке «" + shell::utf8(state_.ShellPath) +
                           "» нет теста: в ней нет файлов index.html и 1.js. Поместите редактор "
                           "в корневую папку теста, рядом с файлами index.html и 1.js, и "
                           "запустите его оттуда, или откройте редактором саму папку теста.");
}

// Points Dir1 at the shell root. The root may hold only the pictures folder and the stage
// folders 0, 1, ... without gaps: any other folder would be counted as a stage, or would take
// the list position of one.
void Editor::listRoot(const std::vector<std::string>& folders) {
  form.Dir1.Path = state_.ShellPath;
  const std::vector<std::string> names = testFolders(folders);
  form.Dir1.Entries.clear();
  for (const auto& name : names) form.Dir1.Entries.push_back(state_.ShellPath / name);
}

// The editor writes and deletes only inside the test's folder: a file or folder of the test
// that is a link leading elsewhere is refused before anything is written. Each stage folder is
// listed here once; what of it is the editor's leftover temporaries is returned.
std::vector<fs::path> Editor::refuseOutsideLinks() {
  const fs::path root = disk_.resolvedPath(state_.ShellPath);
  auto check = [&](const fs::path& path, const char* what) {
    if (shell::isInside(disk_.resolvedPath(path), root)) return;
    throw ShellError(shown(path), std::string("это ссылка на ") + what +
                                      " вне папки теста; редактор не меняет ничего за пределами "
                                      "теста. Замените ссылку настоящей копией");
  };
  for (const char* name : shell::kRootFiles) check(rootFile(name), "файл");
  std::vector<fs::path> leftovers;
  for (const auto& folder : form.Dir1.Entries) {
    check(folder, "папку");
    if (folder.filename() == shell::kPicturesFolder) continue;
    for (const auto& name : disk_.listFiles(folder, "*")) {
      if (shell::matchesPattern(name, shell::kPagePattern)) check(folder / name, "файл");
      if (shell::isTemporaryName(name)) leftovers.push_back(folder / shell::fromUtf8(name));
    }
  }
  return leftovers;
}

// Temporary files that an older run of the editor left beside the pages of a stage: they were
// found by the link check's listing, and go once recovery has finished (a stage folder that
// recovery removed has taken its own with it).
void Editor::removeLeftovers(const std::vector<fs::path>& files) {
  std::vector<fs::path> folders;
  for (const auto& file : files) {
    if (!disk_.fileExists(file)) continue;
    disk_.deleteFile(file);
    if (std::find(folders.begin(), folders.end(), file.parent_path()) == folders.end()) {
      folders.push_back(file.parent_path());
    }
  }
  for (const auto& folder : folders) disk_.syncFolder(folder);
}

// A test on a write-protected stick or a CD opens for reading; the teacher learns at once that
// nothing can be saved, before typing anything. Only permissions are checked; nothing is written.
void Editor::warnIfReadOnly() {
  std::vector<fs::path> paths{state_.ShellPath};
  for (const char* name : shell::kRootFiles) paths.push_back(rootFile(name));
  for (const auto& folder : form.Dir1.Entries) {
    if (folder.filename() != shell::kPicturesFolder) paths.push_back(folder);
  }
  for (const auto& path : paths) {
    if (disk_.writable(path)) continue;
    dialogs_.inform("Тест в папке «" + shell::utf8(state_.ShellPath) +
                        "» можно только просматривать: в " +
                        (path == state_.ShellPath ? std::string("эту папку") : "«" + shown(path) + "»") +
                        " нельзя записывать (нет прав на запись, или диск защищён от записи). "
                        "Сохранить изменения не получится; чтобы править тест, скопируйте его "
                        "папку туда, где запись разрешена.",
                    "Редактор теста");
    return;
  }
}

// Row i of List1 names the stage of entry i of the folder listing; the pictures folder yields
// no row. Rows are overwritten or appended, never removed.
void Editor::rebuildStageList() {
  const auto& entries = form.Dir1.Entries;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string name = entries[i].filename().string();
    if (shell::isPicturesFolder(name)) continue;
    form.List1.setRow(static_cast<int>(i), shell::decimal(name.back() - '0' + 1));
  }
}

void Editor::readAnswerKey() {
  const std::string bytes = known_.read(disk_, rootFile(shell::kAnswerKeyFile));
  // The head lines, then each answer line followed by the line kept after it.
  shell::readTableInto(
      bytes, shell::kAnswerKeyShape, shell::kAnswerKeyFile,
      [this](std::size_t i) -> std::string& {
        if (i < shell::key::kHeadLines) return state_.JsHead[i];
        const std::size_t pair = i - shell::key::kHeadLines;
        return (pair % 2 == 0 ? state_.Answers : state_.AnswerAfter)[pair / 2];
      },
      state_.JsTail, state_.JsTailCount);
}

// The stage repair. A stage folder that the answer key does not count is a stage that was being
// built when the editor last stopped without its shutdown: it becomes the last stage, in
// new-stage entry mode, so that closing the editor removes it. An answer key that counts one
// stage more than there are folders is corrected by one.
void Editor::repairStageCount() {
  const auto count = shell::parseDecimal(state_.JsHead[shell::key::kStages]);
  if (!count || *count < 0 || *count > shell::kMaxStages) {
    throw ShellError(shell::kAnswerKeyFile,
                     "в строке 2 должно стоять число этапов теста (от 0 до 10)");
  }
  state_.StageCount = static_cast<std::int16_t>(*count);
  const int folders = static_cast<int>(form.Dir1.Entries.size()) - 1;
  if (folders > state_.StageCount) {
    form.cmdNewL.Enabled = false;
    form.Label9.Enabled = false;
    state_.StageCount += 1;
  } else {
    if (folders < state_.StageCount) {
      state_.StageCount -= 1;
      form.Label9.Caption = shell::decimal(state_.StageCount);
    }
    state_.QuestionSaved.fill(1);
  }
}

void Editor::readRootPages() {
  auto read = [this](const char* name, shell::TableShape shape, auto& head, auto& tail,
                     std::int16_t& count) {
    const std::string bytes = known_.read(disk_, rootFile(name));
    shell::readTable(bytes, shape, name, head, tail, count);
  };
  read(shell::kTitleFile, shell::kTitleShape, state_.TitleHead, state_.TitleTail,
       state_.TitleTailCount);
  form.Text3 = state_.TitleHead[shell::title::kInspector];
  form.Text2 = state_.TitleHead[shell::title::kCourse];
  form.txtAddr = state_.TitleHead[shell::title::kHandler];
  read(shell::kIndex1File, shell::kIndex1Shape, state_.Index1Head, state_.Index1Tail,
       state_.Index1TailCount);
  read(shell::kIndexFile, shell::kIndexShape, state_.IndexHead, state_.IndexTail,
       state_.IndexTailCount);
}

}  // namespace lifecycle
