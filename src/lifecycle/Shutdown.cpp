// Shutdown: ask about a question changed and not saved, roll back a new stage whose questions
// were not all saved, then write the settings into the root pages and the stage count, the
// settings and the answers into 1.js. The exit button first clears stray one-digit pages that
// an interrupted mixing left in the root.

#include <set>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/Lines.h"

namespace lifecycle {

void Editor::Form_Unload() {
  Batch batch(*this);
  if (!settleQuestion()) return;
  unload();
  batch.commit();
}

// The question, the clean-up, the removal of an incomplete stage and the settings land as one
// change.
void Editor::cmdEnd_Click() {
  Batch batch(*this);
  if (!settleQuestion()) return;
  cleanRoot();
  unload();
  batch.commit();
}

// The question shown, changed and not saved, is saved or left as the teacher answers, before
// anything else of the shutdown; false when the teacher chose to stay in the editor. Nothing of
// a question left unsaved is written: neither its page nor its right answer.
bool Editor::settleQuestion() {
  if (state_.CurQuestion == 0 || questionView() == savedQuestion_) return true;
  const auto answer = dialogs_.ask(
      "Вопрос " + shell::decimal(state_.CurQuestion) + " этапа " + shell::decimal(state_.CurStage) +
          " изменён и не сохранён.\rСохранить изменения этого вопроса?",
      "Редактор теста");
  if (answer == Dialogs::Answer::Cancel) return false;
  if (answer == Dialogs::Answer::Yes) cmdSave_Click();
  else List2_Click();  // shown again as its page holds it
  return true;
}

// The settings and the count are written whatever they hold; the change is the teacher's only
// where a field was typed (or a question saved, or an unfinished stage removed, which describe
// themselves). Otherwise what it writes is the editor's own: the settings' copies in the root
// pages and the stage count put right, the pages an interrupted mixing left in the root deleted;
// no point of the history (shell/History.h).
void Editor::unload() {
  if (state_.savedProduct() == 0) RemoveLastStage();
  form.Label9.Caption = shell::decimal(state_.StageCount);

  const bool typed = settingsTyped();
  takeSettings(state_.StageCount, Address::Typed);
  writeRootPages();
  writeAnswerKey();
  if (typed && !change().described()) describe("изменение настроек теста");
  unloaded_ = true;
}

// Whether a settings field holds other text than the file it is read from: the course, the
// inspecting body and the handler's address from title.html, the duration and the pass mark
// from 1.js (title.html's copies of those two are the editor's to put right).
bool Editor::settingsTyped() const {
  const EditorState& s = state_;
  return form.Text3 != s.TitleHead[shell::title::kInspector] || form.Text2 != s.TitleHead[shell::title::kCourse] ||
         form.txtAddr != s.TitleHead[shell::title::kHandler] || form.txtT != s.JsHead[shell::key::kMinutes] ||
         form.txtMin != s.JsHead[shell::key::kPassMark];
}

// A one-digit page in the root is a copy that a mixing interrupted between its steps left
// behind. It is deleted only when its bytes are also found in a stage folder; a page found
// nowhere else is the only copy of a question, so it stays, and the teacher is told.
void Editor::cleanRoot() {
  const auto stray = disk_.listFiles(state_.ShellPath, shell::kStrayPagePattern);
  if (stray.empty() || stray.front() == "0.html") return;

  std::set<std::string> pages;
  for (const auto& folder : disk_.listFolders(state_.ShellPath)) {
    if (!shell::stageOfFolder(folder)) continue;
    for (const auto& page : disk_.listFiles(state_.ShellPath / folder, shell::kPagePattern)) {
      pages.insert(disk_.readFile(state_.ShellPath / folder / page));
    }
  }
  std::string kept;
  for (const auto& name : stray) {
    const fs::path file = state_.ShellPath / shell::fromUtf8(name);
    if (pages.count(disk_.readFile(file)) != 0) {
      change().remove(file);
    } else {
      kept += (kept.empty() ? "" : ", ") + name;
    }
  }
  if (!kept.empty()) {
    dialogs_.inform("В папке теста оставлен файл " + kept +
                        ": это страница вопроса, которой нет ни в одной папке этапа "
                        "(её, видимо, оставила прерванная смена порядка вопросов). "
                        "Файл не удалён, чтобы вопрос не пропал: перенесите его в нужную "
                        "папку этапа вручную или удалите сами.",
                    "Редактор теста");
  }
}

}  // namespace lifecycle
