// The test as a whole, for the work done on all of it at once (the test written out as text, the
// import's plan): every question read from its page and the answer key, the settings, the
// pictures. The files outside the test that such work reads and writes, and the guide.

#include "lifecycle/Editor.h"
#include "lifecycle/ShellRoot.h"
#include "shell/Layout.h"
#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace lifecycle {

namespace {

const char* const kTitle = "Редактор теста";

}  // namespace

workbench::Test Editor::readTest() {
  const EditorState& s = state_;
  workbench::Test test;
  const std::string title = disk_.readFile(rootFile(shell::kTitleFile));
  {
    const auto& lines = shell::checkTable(title, shell::kTitleShape, shell::kTitleFile);
    test.course = lines[shell::title::kCourse];
    test.inspector = lines[shell::title::kInspector];
  }
  const std::string key = disk_.readFile(rootFile(shell::kAnswerKeyFile));
  const std::vector<std::string> answers = [&] {
    const auto& lines = shell::checkTable(key, shell::kAnswerKeyShape, shell::kAnswerKeyFile);
    test.minutes = lines[shell::key::kMinutes];
    test.passMark = lines[shell::key::kPassMark];
    std::vector<std::string> out;
    for (std::size_t slot = 0; slot < shell::kAnswerSlots; ++slot) {
      out.emplace_back(lines[shell::key::kHeadLines + 2 * slot]);
    }
    return out;
  }();

  for (int stage = 1; stage <= s.StageCount; ++stage) {
    const int questions = stage == s.StageCount ? s.LastStageQuestions : shell::kQuestionsPerStage;
    const fs::path folder = s.ShellPath / shell::stageFolderName(stage);
    auto& pages = test.stages.emplace_back();
    for (int q = 1; q <= questions; ++q) {
      const fs::path file = folder / shell::pageName(q);
      const std::string bytes = disk_.readFile(file);
      const auto& lines = shell::checkTable(bytes, shell::kPageShape, shown(file));
      workbench::Question& question = pages.emplace_back();
      question.text = lines[shell::page::field(0)];
      for (std::size_t i = 0; i < question.answers.size(); ++i) question.answers[i] = lines[shell::page::field(i + 1)];
      question.picture = lines[shell::page::kPicture];
      question.right = answers[static_cast<std::size_t>(shell::answerSlot(stage, q))];
    }
  }
  const fs::path pictures = s.ShellPath / shell::kPicturesFolder;
  for (const auto& name : disk_.listFiles(pictures, shell::kPictureFiles)) {
    const std::string stem = name.substr(0, name.size() - std::string_view(shell::kPictureExtension).size());
    test.pictures[stem] = disk_.readFile(pictures / shell::fromUtf8(name));
  }
  return test;
}

std::optional<std::string> Editor::readChosenFile(const fs::path& file) {
  try {
    return disk_.readFile(file);
  } catch (const shell::ShellError& e) {
    dialogs_.inform("Не удалось прочитать файл «" + shell::utf8(file) + "»: " + e.problem(), kTitle);
    return std::nullopt;
  }
}

// The file is replaced whole or not at all: the bytes go to a temporary beside it, synced, then
// take its name. The files of the test are written only by the test's own changes.
bool Editor::writeChosenFile(const fs::path& file, const std::string& bytes, Chosen what) {
  const fs::path folder = file.parent_path();
  const fs::path root = disk_.resolvedPath(state_.ShellPath);
  const fs::path target = disk_.resolvedPath(folder) / file.filename();
  const bool page = what == Chosen::PrintPage;
  if (shell::isInside(target, root) &&
      (page || target.parent_path() != root || target.extension() != ".txt")) {
    dialogs_.inform("Файл «" + shell::utf8(file) + "» не записан: " +
                        (page ? std::string("страница для печати не записывается в папку теста, чтобы "
                                            "не смешать её с файлами самого теста. Выберите другую "
                                            "папку (например, «Документы»).")
                              : std::string("в папке теста можно сохранить вопросы только в файл .txt "
                                            "рядом с index.html, чтобы не испортить файлы самого теста. "
                                            "Выберите другое имя или другую папку.")),
                    kTitle);
    return false;
  }
  const fs::path temporary = folder / shell::fromUtf8("." + shell::utf8(file.filename()) + ".tmp");
  try {
    disk_.putFile(temporary, bytes);
    disk_.renameFile(temporary, file);
    disk_.syncFolder(folder);
    return true;
  } catch (const shell::ShellError& e) {
    try {
      if (disk_.fileExists(temporary)) disk_.deleteFile(temporary);
    } catch (const shell::ShellError&) {
      // The temporary stays; its dot name keeps it out of the way.
    }
    dialogs_.inform("Не удалось записать файл «" + shell::utf8(file) + "»: " + e.problem() + ". " +
                        (page ? "Страница для печати не сохранена" : "Вопросы не сохранены") +
                        "; выберите другую папку (например, «Документы») "
                        "или закройте программу, в которой открыт этот файл.",
                    kTitle);
    return false;
  }
}

bool Editor::settleBeforeReading() {
  Batch batch(*this);
  if (!settleQuestion()) return false;
  batch.commit();
  return true;
}

void Editor::mnuTestBrowser_Click() {
  if (!settleBeforeReading()) return;
  const fs::path start = rootFile(shell::kIndexFile);
  if (browser_ == nullptr || !browser_->open(shell::utf8(start))) {
    dialogs_.inform("Не удалось открыть тест в браузере. Откройте файл «" + shell::utf8(start) +
                        "» сами, двойным щелчком.",
                    kTitle);
  }
}

void Editor::mnuTestQuestionBrowser_Click() {
  if (state_.CurQuestion == 0) {
    dialogs_.inform("Вопрос не выбран: выберите этап и вопрос в списках справа, а затем откройте его "
                    "в браузере.",
                    kTitle);
    return;
  }
  if (!settleBeforeReading()) return;
  const fs::path page = state_.PagePath;
  if (browser_ == nullptr || !browser_->open(shell::utf8(page))) {
    dialogs_.inform("Не удалось открыть вопрос в браузере. Откройте файл «" + shell::utf8(page) +
                        "» сами, двойным щелчком.",
                    kTitle);
  }
}

void Editor::openWritten(const fs::path& file) {
  if (browser_ == nullptr || !browser_->open(shell::utf8(file))) {
    dialogs_.inform("Страница записана в файл «" + shell::utf8(file) +
                        "», но открыть её в браузере не удалось. Откройте этот файл сами, двойным "
                        "щелчком, и напечатайте его (Ctrl+P).",
                    kTitle);
  }
}

void Editor::mnuHelpGuide_Click() {
  if (guide_.empty() || !disk_.fileExists(guide_)) {
    dialogs_.inform("Руководство не найдено: рядом с программой нет файла " +
                        (guide_.empty() ? std::string(kGuideFile) : "«" + shell::utf8(guide_) + "»") +
                        ". Оно входит в загрузку редактора и лежит в папке test рядом с программой.",
                    kTitle);
    return;
  }
  if (browser_ == nullptr || !browser_->open(shell::utf8(guide_))) {
    dialogs_.inform("Не удалось открыть руководство в браузере. Откройте файл «" + shell::utf8(guide_) +
                        "» сами, двойным щелчком.",
                    kTitle);
  }
}

}  // namespace lifecycle
