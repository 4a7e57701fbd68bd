#include "ModelTest.h"

#include "shell/Lines.h"
#include "support/Fixtures.h"

namespace workbench_test {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> table(const fs::path& file, shell::TableShape shape) {
  const std::string bytes = support::readBytes(file);
  const auto& lines = shell::checkTable(bytes, shape, file.filename().string());
  return {lines.begin(), lines.end()};
}

}  // namespace

workbench::Test modelTest(const fs::path& root) {
  workbench::Test test;
  const std::vector<std::string> title = table(root / shell::kTitleFile, shell::kTitleShape);
  test.course = title[shell::title::kCourse];
  test.inspector = title[shell::title::kInspector];
  const std::vector<std::string> key = table(root / shell::kAnswerKeyFile, shell::kAnswerKeyShape);
  test.minutes = key[shell::key::kMinutes];
  test.passMark = key[shell::key::kPassMark];
  const long stages = shell::parseDecimal(key[shell::key::kStages]).value();
  for (int s = 1; s <= stages; ++s) {
    std::vector<workbench::Question>& stage = test.stages.emplace_back();
    for (int q = 1; q <= shell::kQuestionsPerStage; ++q) {
      const std::vector<std::string> page =
          table(root / shell::stageFolderName(s) / shell::pageName(q), shell::kPageShape);
      workbench::Question& question = stage.emplace_back();
      question.text = page[shell::page::field(0)];
      for (std::size_t i = 0; i < 4; ++i) question.answers[i] = page[shell::page::field(i + 1)];
      question.picture = page[shell::page::kPicture];
      question.right =
          key[shell::key::kHeadLines + 2 * static_cast<std::size_t>(shell::answerSlot(s, q))];
    }
  }
  for (const auto& entry : fs::directory_iterator(root / shell::kPicturesFolder)) {
    const std::string name = entry.path().filename().string();
    if (shell::matchesPattern(name, "?.gif"))
      test.pictures[name.substr(0, 1)] = support::readBytes(entry.path());
  }
  return test;
}

workbench::Question question(std::string text, std::array<std::string, 4> answers,
                             std::string right, std::string picture) {
  return {std::move(text), std::move(answers), std::move(right), std::move(picture)};
}

}  // namespace workbench_test
