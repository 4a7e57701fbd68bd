// New pictures for the questions: an image the teacher gives (a file, or one the window decoded
// from the clipboard) made a GIF and put in the pictures folder as the picture of the question
// shown, the question saved with it, in one change; and a picture replaced the same way.

#include <algorithm>

#include "lifecycle/Editor.h"
#include "pictures/Picture.h"
#include "shell/Layout.h"
#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"
#include "workbench/Test.h"

namespace lifecycle {

namespace {

const char* const kTitle = "Редактор теста";

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// "3.gif", "3.gif и 7.gif", "1.gif, 3.gif и 7.gif".
std::string namesOf(const std::vector<int>& digits) {
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0) out += i + 1 == digits.size() ? " и " : ", ";
    out += shell::pictureName(digits[i]);
  }
  return out;
}

}  // namespace

Editor::PictureAdded Editor::addPicture(const fs::path& file, bool enlarge) {
  return addPicture(ImageGiven{&file, nullptr, shell::utf8(file), enlarge});
}

Editor::PictureAdded Editor::addPicture(const pictures::Image& image, const std::string& name,
                                        bool enlarge) {
  return addPicture(ImageGiven{nullptr, &image, name, enlarge});
}

bool Editor::replacePicture(int digit, const fs::path& file, bool enlarge) {
  return replacePicture(digit, ImageGiven{&file, nullptr, shell::utf8(file), enlarge});
}

bool Editor::replacePicture(int digit, const pictures::Image& image, const std::string& name,
                            bool enlarge) {
  return replacePicture(digit, ImageGiven{nullptr, &image, name, enlarge});
}

// The names of the picture list: those of one digit, which a page can hold.
std::vector<std::string> Editor::listPictures() {
  std::vector<std::string> names =
      disk_.listFiles(state_.ShellPath / shell::kPicturesFolder, form.File2.Pattern);
  std::erase_if(names, [](const std::string& name) { return !shell::isPictureName(name); });
  return names;
}

// A file named as the digit's picture in other letters ("4.GIF") takes the digit too: Windows
// would replace it by the new one.
std::optional<int> Editor::freePicture() {
  const std::vector<std::string> names =
      disk_.listFiles(state_.ShellPath / shell::kPicturesFolder, "*");
  for (int digit = shell::kFirstNewPicture; digit <= shell::kLastPicture; ++digit) {
    const std::string wanted = shell::pictureName(digit);
    if (std::none_of(names.begin(), names.end(),
                     [&](const std::string& n) { return sameIgnoringCase(n, wanted); })) {
      return digit;
    }
  }
  return std::nullopt;
}

// The test as its files hold it, and while a new stage is entered also the pages of it not yet
// entered: each shows its template's picture until it is saved otherwise.
std::map<std::string, int> Editor::pictureUses() {
  std::map<std::string, int> uses = workbench::pictureUses(readTest());
  const EditorState& s = state_;
  if (!s.inNewStageEntry()) return uses;
  for (int q = s.LastStageQuestions + 1; q <= shell::kQuestionsPerStage; ++q) {
    const fs::path page = s.ShellPath / shell::stageFolderName(s.StageCount) / shell::pageName(q);
    if (!disk_.fileExists(page)) continue;
    const std::string bytes = disk_.readFile(page);
    const auto& lines = shell::checkTable(bytes, shell::kPageShape, shown(page));
    if (const auto found = uses.find(std::string(lines[shell::page::kPicture]));
        found != uses.end())
      ++found->second;
  }
  return uses;
}

std::vector<int> Editor::unusedPictures() {
  std::vector<int> unused;
  for (const auto& [name, uses] : pictureUses()) {
    const std::string file = name + shell::kPictureExtension;
    if (uses == 0 && shell::isPictureName(file) && name[0] >= '0' + shell::kFirstNewPicture)
      unused.push_back(name[0] - '0');
  }
  return unused;
}

std::optional<std::string> Editor::pictureOf(const ImageGiven& given) {
  pictures::Made made;
  const pictures::Fit fit{pictures::kWidth, pictures::kHeight, given.enlarge};
  if (given.file != nullptr) {
    // A file far larger than any image taken (a film chosen by mistake) is not read at all.
    std::optional<shell::FileStamp> stamp;
    try {
      stamp = disk_.stampFile(*given.file);
    } catch (const shell::ShellError&) {
      // Told of by the read below.
    }
    if (stamp && stamp->size > pictures::kMaxFileBytes) {
      dialogs_.inform("Файл «" + given.name + "» слишком большой для рисунка: " +
                          shell::decimal(static_cast<long>(stamp->size >> 20)) +
                          " МБ, а редактор читает файлы рисунков до " +
                          shell::decimal(static_cast<long>(pictures::kMaxFileBytes >> 20)) +
                          " МБ. Рисунок не добавлен, тест не изменён.",
                      kTitle);
      return std::nullopt;
    }
    const std::optional<std::string> bytes = readChosenFile(*given.file);
    if (!bytes) return std::nullopt;
    made = pictures::makePicture(decoder_, *bytes, given.name, fit);
  } else {
    made = pictures::makePicture(*given.image, given.name, fit);
  }
  if (!made.gif) dialogs_.inform(made.problem + " Рисунок не добавлен, тест не изменён.", kTitle);
  return made.gif;
}

// The picture written, chosen for the question shown and the question saved with it, in the
// change of the caller's batch; the list and the preview show it once the change has landed.
void Editor::putPicture(const std::string& name, const std::string& gif, std::string what) {
  const fs::path file = state_.ShellPath / shell::kPicturesFolder / name;
  change().write(file, gif);
  if (state_.CurQuestion != 0 && form.cmdSave.Enabled) {
    std::vector<std::string>& names = form.File2.Names;
    names = listPictures();
    if (std::find(names.begin(), names.end(), name) == names.end())
      names.insert(std::upper_bound(names.begin(), names.end(), name), name);
    form.File2.ListIndex =
        static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    form.optIm = 1;  // the preview is set below, from the bytes written
    form.File2.Enabled = true;
    cmdSave_Click();
    what += " для вопроса " + shell::decimal(state_.CurQuestion) + " этапа " +
            shell::decimal(state_.CurStage);
  }
  describe(std::move(what),
           state_.inNewStageEntry() ? shell::HistoryRecord::Open : shell::HistoryRecord::Point);
}

Editor::PictureAdded Editor::addPicture(const ImageGiven& given) {
  if (state_.CurQuestion == 0 || !form.cmdSave.Enabled) {
    dialogs_.inform(
        "Вопрос не выбран: выберите этап и вопрос в списках справа, а затем добавьте рисунок к "
        "нему.",
        kTitle);
    return PictureAdded::NotAdded;
  }
  const std::optional<int> digit = freePicture();
  if (!digit) {
    const std::vector<int> unused = unusedPictures();
    std::string text =
        "В папке pics уже есть все девять рисунков, 1.gif … 9.gif: строка рисунка на странице "
        "вопроса "
        "хранит одну цифру, и новому рисунку не остаётся имени. ";
    text += unused.empty()
                ? "Каждый из них показан в каком-нибудь вопросе. Чтобы добавить новый, замените "
                  "один из них: "
                  "выберите вопрос с рисунком, который больше не нужен, и замените его рисунок."
                : (unused.size() == 1 ? "Рисунок " : "Рисунки ") + namesOf(unused) +
                      (unused.size() == 1 ? " не показан" : " не показаны") +
                      " ни в одном вопросе: новый рисунок можно записать на место одного из них.";
    dialogs_.inform(text, kTitle);
    return unused.empty() ? PictureAdded::NotAdded : PictureAdded::AllTaken;
  }
  const std::optional<std::string> gif = pictureOf(given);
  if (!gif) return PictureAdded::NotAdded;
  const std::string name = shell::pictureName(*digit);
  Batch batch(*this);
  putPicture(name, *gif, "новый рисунок " + name);
  batch.commit();
  form.File2.Names = listPictures();
  const auto row = std::find(form.File2.Names.begin(), form.File2.Names.end(), name);
  form.File2.ListIndex =
      row == form.File2.Names.end() ? -1 : static_cast<int>(row - form.File2.Names.begin());
  form.Image1.Path = state_.ShellPath / shell::kPicturesFolder / name;
  form.Image1.Bytes = *gif;
  return PictureAdded::Added;
}

bool Editor::replacePicture(int digit, const ImageGiven& given) {
  const std::string name = shell::pictureName(digit);
  const fs::path file = state_.ShellPath / shell::kPicturesFolder / name;
  if (digit < 0 || digit > shell::kLastPicture || !disk_.fileExists(file)) {
    dialogs_.inform("Рисунка " + name + " нет в папке pics: заменять нечего.", kTitle);
    return false;
  }
  const std::optional<std::string> gif = pictureOf(given);
  if (!gif) return false;
  const int uses = pictureUses()[shell::decimal(digit)];
  const bool question = state_.CurQuestion != 0 && form.cmdSave.Enabled;
  std::string text = "Заменить рисунок " + name + " рисунком «" + given.name + "»? ";
  text += uses == 0 ? "Сейчас его не показывает ни один вопрос."
                    : "Его показывают " +
                          shell::countOf(static_cast<std::size_t>(uses), "вопрос", "вопроса",
                                         "вопросов") +
                          ": во всех них будет новый рисунок.";
  if (question) {
    text += " Вопрос " + shell::decimal(state_.CurQuestion) + " этапа " +
            shell::decimal(state_.CurStage) + " будет сохранён с этим рисунком.";
  }
  if (!dialogs_.confirm(text, kTitle)) return false;
  Batch batch(*this);
  putPicture(name, *gif, "замена рисунка " + name);
  batch.commit();
  form.File2.Names = listPictures();
  if (question) {
    const auto row = std::find(form.File2.Names.begin(), form.File2.Names.end(), name);
    form.File2.ListIndex =
        row == form.File2.Names.end() ? -1 : static_cast<int>(row - form.File2.Names.begin());
  }
  if (form.Image1.Path == file || question) {
    form.Image1.Path = file;
    form.Image1.Bytes = *gif;
  }
  return true;
}

}  // namespace lifecycle
