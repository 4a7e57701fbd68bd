// Saving writes the root pages, the question page and 1.js, in that order, each whole, and
// records the progress of a new stage. A lesson's address for the results goes into the root
// pages alone.

#include <algorithm>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/Lines.h"
#include "shell/LineTable.h"

namespace lifecycle {

void Editor::cmdSave_Click() {
  EditorState& s = state_;
  Batch batch(*this);
  form.cmdDelLast.Enabled = true;

  // The newest question of the last stage is recorded as entered first, so that the save that
  // completes a new stage writes the full number of stages into the title page and into 1.js
  // alike.
  if (s.CurStage == s.StageCount && s.CurQuestion == s.LastStageQuestions) {
    if (s.CurQuestion != 10) form.cmdNewN.Enabled = true;
    s.QuestionSaved[static_cast<std::size_t>(s.LastStageQuestions - 1)] = 1;
  }
  const bool complete = s.savedProduct() == 1;
  const int counted = complete ? s.StageCount : s.StageCount - 1;

  takeSettings(counted, Address::AsRead);
  writeRootPages();

  if (s.CurQuestion != 0) {
    // The ordinal follows the mixing command as the new-stage and removal handlers set it,
    // not its availability while a leftover stage is recovered.
    putQuestion(s.PageHead, s.CurStage, s.CurQuestion, std::span<const std::string, shell::page::kFields>(form.Text1.data(), shell::page::kFields),
                pictureLine(), s.MixSwitchedOff);
    change().write(s.PagePath, shell::writeTable(s.PageHead, s.PageTail, s.PageTailCount));
    savedQuestion_ = questionView();
  }

  form.Label11.Caption = shell::decimal(s.LastStageQuestions);
  if (complete) {
    form.Label9.Caption = shell::decimal(s.StageCount);
    form.Text1Red = false;
  } else {
    form.Text1Red = true;
  }

  if (s.CurQuestion != 0) {
    s.Answers[static_cast<std::size_t>(shell::answerSlot(s.CurStage, s.CurQuestion))] =
        form.Text1[5];
  }
  writeAnswerKey();
  const auto kind = complete ? shell::HistoryRecord::Point : shell::HistoryRecord::Open;
  if (s.CurQuestion != 0) {
    describe("сохранение вопроса " + shell::decimal(s.CurQuestion) + " этапа " + shell::decimal(s.CurStage), kind);
  } else {
    describe("изменение настроек теста", kind);
  }
  batch.commit();
  applyVolumeLimits();
}

// The lesson's address for the results, into the two lines the handler's address stands on.
void Editor::writeResultsAddress(const std::string& address) {
  EditorState& s = state_;
  if (s.inNewStageEntry()) return;
  // Nothing but printable ASCII goes on the line a script reads as an address.
  if (address.empty() || std::any_of(address.begin(), address.end(), [](char c) { return c <= ' ' || c >= 0x7F; })) {
    dialogs_.inform("Адрес урока «" + address + "» не записан в тест: в нём есть знаки, которых не может быть в адресе.",
                    "Редактор теста");
    return;
  }
  if (s.TitleHead[shell::title::kHandler] == address && s.IndexHead[shell::index::kHandler] == address) {
    form.txtAddr = address;
    dialogs_.inform("Адрес урока " + address + " уже записан в тест.", "Редактор теста");
    return;
  }
  Batch batch(*this);
  s.TitleHead[shell::title::kHandler] = address;
  writeRootPages();
  describe("адрес обработчика результатов");
  batch.commit();
  form.txtAddr = address;
}

void Editor::putQuestion(PageLines& page, int stage, int question, std::span<const std::string, shell::page::kFields> fields,
                         const std::string& picture, bool ordinal) {
  if (ordinal) page[shell::page::kOrdinal] = shell::decimal(shell::questionOrdinal(stage, question));
  page[shell::page::kPicture] = picture;
  for (std::size_t i = 0; i < shell::page::kFields; ++i) page[shell::page::field(i)] = fields[i];
}

// The picture line a save writes: "00" for "Нет", else the digit of the picture chosen; "Да"
// with no picture chosen keeps the line as it was read.
std::string Editor::pictureLine() const {
  if (form.optIm == 0) return shell::kNoPicture;
  if (form.File2.ListIndex < 0) return state_.PageHead[shell::page::kPicture];
  return form.File2.Names[static_cast<std::size_t>(form.File2.ListIndex)].substr(0, 1);
}

Editor::QuestionView Editor::questionView() const { return {form.Text1, pictureLine()}; }

}  // namespace lifecycle
