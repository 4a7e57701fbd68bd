// The history's undo, redo and return to a point: each one change of the test through the one
// commit, after which the test is read again as start-up reads it.

#include <algorithm>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/Russian.h"

namespace lifecycle {

namespace {

bool under(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

}  // namespace

void Editor::showHistory() {
  const bool entry = state_.inNewStageEntry();
  const auto undo = entry ? std::nullopt : history_.undoPoint();
  const auto redo = entry ? std::nullopt : history_.redoPoint();
  form.mnuEditUndo.Enabled = undo.has_value();
  form.mnuEditUndo.Caption = undo ? "Отменить: " + undo->what : "Отменить";
  form.mnuEditRedo.Enabled = redo.has_value();
  form.mnuEditRedo.Caption = redo ? "Вернуть: " + redo->what : "Вернуть";
  form.mnuEditHistory.Enabled = !entry && !history_.empty();
}

std::vector<shell::History::Point> Editor::historyPoints() { return history_.points(); }

void Editor::mnuEditUndo_Click() {
  if (state_.inNewStageEntry() || !settleQuestion()) return;
  moveTo(history_.undoPoint(), "отменить");
}

void Editor::mnuEditRedo_Click() {
  if (state_.inNewStageEntry() || !settleQuestion()) return;
  moveTo(history_.redoPoint(), "вернуть");
}

void Editor::returnTo(int point) {
  if (state_.inNewStageEntry() || !settleQuestion()) return;
  for (const auto& p : history_.points()) {
    if (p.id == point && !p.current) return moveTo(p, "вернуть тест к этому месту");
  }
}

// Every path the move writes must hold what the history says it holds now, and a stage folder
// it removes nothing else, or nothing is written.
void Editor::moveTo(std::optional<shell::History::Point> point, const char* refused) {
  if (!point) return;
  const auto plan = history_.plan(point->id);
  if (!plan) return;
  const fs::path& root = state_.ShellPath;
  std::string problem;
  for (const shell::HistoryItem& item : *plan) {
    if (!shell::holds(disk_, root, item, item.before)) {
      problem = std::string(item.folder ? "папка «" : "файл «") + item.path +
                "» с тех пор изменён не редактором (другой программой, другой копией редактора или вручную)";
      break;
    }
    if (item.folder && !item.after) {
      const fs::path folder = root / shell::fromUtf8(item.path);
      bool others = !disk_.listFolders(folder).empty();
      for (const auto& name : disk_.listFiles(folder, "*")) {
        others = others || std::none_of(plan->begin(), plan->end(), [&](const shell::HistoryItem& file) {
                   return !file.folder && !file.after && file.path == item.path + "/" + name;
                 });
      }
      if (others) {
        problem = "в папке «" + item.path + "» есть файлы, которых это изменение не создавало";
        break;
      }
    }
  }
  if (!problem.empty()) {
    history_.abandon();
    showHistory();
    dialogs_.inform("Не удалось " + std::string(refused) + ": " + problem +
                        ". Тест не изменён. История изменений больше не предлагается: она не "
                        "совпадает с тестом; новые изменения начнут её заново.",
                    "Редактор теста");
    return;
  }

  Batch batch(*this);
  // Files out of the folders that go, the folders, the folders that come back with their files,
  // then every other file.
  for (const auto& item : *plan) {
    if (!item.folder && !item.after) change().remove(root / shell::fromUtf8(item.path));
  }
  for (const auto& item : *plan) {
    if (item.folder && !item.after) change().removeFolder(root / shell::fromUtf8(item.path));
  }
  std::vector<std::string> added;
  for (const auto& item : *plan) {
    if (!item.folder || !item.after) continue;
    Files files;
    for (const auto& file : *plan) {
      const auto slash = file.path.rfind('/');
      if (!file.folder && file.after && slash != std::string::npos && file.path.substr(0, slash) == item.path) {
        files.emplace_back(file.path.substr(slash + 1), *file.after);
      }
    }
    change().addFolder(root / shell::fromUtf8(item.path), std::move(files));
    added.push_back(item.path);
  }
  for (const auto& item : *plan) {
    if (item.folder || !item.after) continue;
    if (std::any_of(added.begin(), added.end(), [&](const std::string& f) { return under(item.path, f); })) continue;
    change().write(root / shell::fromUtf8(item.path), *item.after);
  }
  describe(std::string(refused) + ": " + point->what, shell::HistoryRecord::Move, point->id);
  batch.commit();
  reload(*plan);
}

// The test read again, and shown at the first question whose page the move wrote (else at the
// question shown before, where it is still there).
void Editor::reload(const std::vector<shell::HistoryItem>& changed) {
  int stage = state_.CurStage, question = state_.CurQuestion;
  for (const auto& item : changed) {
    const auto slash = item.path.find('/');
    if (item.folder || !item.after || slash == std::string::npos) continue;
    const auto s = shell::stageOfFolder(item.path.substr(0, slash));
    const std::string page = item.path.substr(slash + 1);
    if (s && page.size() == 6 && page.substr(1) == ".html" && page[0] >= '0' && page[0] <= '9') {
      stage = *s;
      question = page[0] - '0' + 1;
      break;
    }
  }
  const double scale = state_.ScaleFactor;  // the window's, measured once at start-up
  state_ = EditorState{};
  state_.ScaleFactor = scale;
  form = Form{};
  known_ = shell::KnownFiles{};
  savedQuestion_ = {};
  load();
  if (stage >= 1 && stage <= state_.StageCount && question >= 1) {
    selectList1(stage - 1);
    const int last = stage == state_.StageCount ? state_.LastStageQuestions : shell::kQuestionsPerStage;
    if (question <= last && !selectList2(question - 1)) List2_Click();
  }
}

}  // namespace lifecycle
