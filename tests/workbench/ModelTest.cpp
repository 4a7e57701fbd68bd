#include "ModelTest.h"

#include "shell/Lines.h"
#include "support/Fixtures.h"

namespace workbench_test {

namespace fs = std::filesystem;
using support::crlfLines;

workbench::Test modelTest(const fs::path& root) {
  namespace sh = shell;
  workbench::Test test;
  const std::vector<std::string> title = crlfLines(root / sh::kTitleFile),
                                 key = crlfLines(root / sh::kAnswerKeyFile);
  test.course = title.at(sh::title::kCourse);
  test.inspector = title.at(sh::title::kInspector);
  test.minutes = key.at(sh::key::kMinutes);
  test.passMark = key.at(sh::key::kPassMark);
  for (int s = 1; s <= sh::parseDecimal(key.at(sh::key::kStages)).value(); ++s) {
    for (int q = 1; q <= sh::kQuestionsPerStage; ++q) {
      const std::vector<std::string> page =
          crlfLines(root / sh::stageFolderName(s) / sh::pageName(q));
      workbench::Question& question =
          (q == 1 ? test.stages.emplace_back() : test.stages.back()).emplace_back();
      question.text = page.at(sh::page::field(0));
      for (std::size_t i = 0; i < 4; ++i) question.answers[i] = page.at(sh::page::field(i + 1));
      question.picture = page.at(sh::page::kPicture);
      question.right =
          key.at(sh::key::kHeadLines + 2 * static_cast<std::size_t>(sh::answerSlot(s, q)));
    }
  }
  for (const auto& entry : fs::directory_iterator(root / sh::kPicturesFolder)) {
    const std::string name = entry.path().filename().string();
    if (sh::matchesPattern(name, sh::kPictureFiles))
      test.pictures[name.substr(0, name.size() - 4)] = support::readBytes(entry.path());
  }
  return test;
}

workbench::Question question(std::string text, std::array<std::string, 4> answers,
                             std::string right, std::string picture) {
  return {std::move(text), std::move(answers), std::move(right), std::move(picture)};
}

}  // namespace workbench_test
