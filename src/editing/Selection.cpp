// Choosing a stage fills the question list; choosing a question reads its page and shows its
// text, answers, right answer and picture.

#include <algorithm>
#include <vector>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/ShellError.h"

namespace lifecycle {

using shell::ShellError;

namespace {
int rowValue(const std::string& text) {
  const auto value = shell::parseDecimal(text);
  if (!value) throw ShellError("", "в списке выбрана строка «" + text + "», а не номер");
  return static_cast<int>(*value);
}
}  // namespace

void Editor::List1_Click() {
  if (form.List1.selectedText().empty()) {
    selectList1(state_.StageCount - 1);
    return;
  }
  state_.CurStage = static_cast<std::int16_t>(rowValue(form.List1.selectedText()));

  // The stage folder is the root's subfolder at the position of the chosen row, as start-up and
  // the operations that make or remove a stage have listed them.
  const auto& folders = form.Dir1.Entries;
  const auto position = static_cast<std::size_t>(form.List1.ListIndex);
  const std::string expected = shell::stageFolderName(state_.CurStage);
  const auto missing = [&] {
    return ShellError(expected, "папка этапа " + shell::decimal(state_.CurStage) +
                                    " не найдена в папке теста");
  };
  if (position >= folders.size() || folders[position].filename() != expected) throw missing();
  form.File1.Path = folders[position];
  try {
    form.File1.Names = disk_.listFiles(form.File1.Path, form.File1.Pattern);
  } catch (const ShellError&) {
    // A stage folder taken away while the editor runs is named as a stage.
    if (!disk_.folderExists(form.File1.Path)) throw missing();
    throw;
  }

  form.List2.Enabled = true;
  for (auto& row : form.List2.Rows) row.clear();
  form.Dir1.ListIndex = form.List1.ListIndex;
  const int last = state_.CurStage == state_.StageCount ? state_.LastStageQuestions - 1 : 9;
  fillQuestionRows(last);
  form.Dir1.Path = state_.ShellPath;

  // A blank selected row moves up by one; that selection shows the question itself.
  if (form.List2.selectedText().empty() && form.List2.ListIndex > 0) {
    if (selectList2(form.List2.ListIndex - 1)) return;
  }
  List2_Click();
}

// Rows 0..last of the question list name the pages 0.html .. of the stage folder File1 shows.
// A page that is not there stops the choice before anything is read or written.
void Editor::fillQuestionRows(int last) {
  const auto& names = form.File1.Names;
  for (int i = 0; i <= last; ++i) {
    const std::string page = shell::pageName(i + 1);
    if (std::find(names.begin(), names.end(), page) == names.end()) {
      throw ShellError(shown(form.File1.Path / page),
                       "страница вопроса " + shell::decimal(i + 1) + " не найдена");
    }
    form.List2.setRow(i, shell::decimal(i + 1));
  }
}

void Editor::List2_Click() {
  form.cmdSave.Enabled = true;
  if (form.List2.selectedText().empty()) {
    if (selectList2(state_.LastStageQuestions - 1)) return;
    throw ShellError("", "в списке вопросов не выбран вопрос");
  }
  state_.CurQuestion = static_cast<std::int16_t>(rowValue(form.List2.selectedText()));
  state_.PagePath = form.File1.Path / shell::pageName(state_.CurQuestion);
  readPage();

  form.Text1Red = state_.CurStage == state_.StageCount &&
                  state_.CurQuestion == state_.LastStageQuestions;
  showPicture();
  for (std::size_t i = 0; i < shell::page::kFields; ++i) form.Text1[i] = state_.PageHead[shell::page::field(i)];
  form.Text1[5] =
      state_.Answers[static_cast<std::size_t>(shell::answerSlot(state_.CurStage, state_.CurQuestion))];
  savedQuestion_ = questionView();
}

void Editor::readPage() {
  const std::string bytes = known_.read(disk_, state_.PagePath);
  try {
    shell::readTable(bytes, shell::kPageShape, {}, state_.PageHead, state_.PageTail,
                     state_.PageTailCount);
  } catch (const ShellError& e) {
    // Named only when it is needed: a page that does not fit the layout.
    throw ShellError(shown(state_.PagePath), e.problem());
  }
}

}  // namespace lifecycle
