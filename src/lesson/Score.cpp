#include "lesson/Score.h"

#include <string_view>

#include "shell/Layout.h"

namespace lesson {

std::vector<std::string_view> answerParts(std::string_view list) {
  std::vector<std::string_view> parts;
  if (list.empty()) return parts;
  for (;;) {
    const std::size_t comma = list.find(',');
    parts.push_back(list.substr(0, comma));
    if (comma == std::string_view::npos) return parts;
    list.remove_prefix(comma + 1);
  }
}

Score scoreAgain(const Key& key, const std::string& course, const Posted& posted) {
  Score score;
  score.questions = key.questions();
  const std::vector<std::string_view> answers = answerParts(posted.answers);
  if (answers.size() != static_cast<std::size_t>(score.questions)) score.marks |= AnswerCount;
  for (std::size_t slot = 0; slot < answers.size(); ++slot) {
    const std::string_view answer = answers[slot];
    // What the quiz posts: one digit, 0 for a question left without an answer.
    if (answer.size() != 1 || answer[0] < '0' || answer[0] > '4') {
      score.marks |= BadAnswer;
      continue;
    }
    if (slot < static_cast<std::size_t>(score.questions) && answeredRight(key, slot, answer)) ++score.right;
  }
  if (score.questions > 0) {
    score.percent = score.right * 100 / score.questions;
    if (key.pass) score.passed = score.right * 100.0 >= *key.pass * score.questions;
  }
  if (posted.right != std::to_string(score.right) || posted.percent != std::to_string(score.percent)) {
    score.marks |= ClaimDiffers;
  }
  if (posted.course != course || posted.questions != std::to_string(score.questions)) {
    score.marks |= OtherTest;
  }
  return score;
}

bool answeredRight(const Key& key, std::size_t slot, std::string_view answer) {
  return slot < key.answers.size() && answer != "0" && answer == key.answers[slot];
}

std::vector<std::string> markWords(const Score& score, const Posted& posted) {
  std::vector<std::string> words;
  if (score.marks & OtherTest) {
    words.push_back("форма другого теста: курс «" + posted.course + "», вопросов «" + posted.questions + "»");
  }
  if (score.marks & AnswerCount) {
    const std::size_t count = posted.answers.empty() ? 0 : answerParts(posted.answers).size();
    words.push_back("ответов " + std::to_string(count) + ", а вопросов " + std::to_string(score.questions));
  }
  if (score.marks & BadAnswer) words.push_back("есть ответ не от 0 до 4");
  if (score.marks & ClaimDiffers) {
    words.push_back("прислано «" + posted.right + " правильных, " + posted.percent + " %», а по ответам " +
                    std::to_string(score.right) + ", " + std::to_string(score.percent) + " %");
  }
  return words;
}

}  // namespace lesson
