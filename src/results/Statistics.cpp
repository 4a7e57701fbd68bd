#include "results/Statistics.h"

#include <algorithm>

#include "lesson/Rows.h"
#include "lesson/Score.h"
#include "lesson/Snapshot.h"
#include "text/CodePage.h"

namespace results {

namespace {

// The marks that say a result's answers cannot be laid against this test's questions.
constexpr unsigned kApart = lesson::OtherTest | lesson::AnswerCount | lesson::BadAnswer;

}  // namespace

Statistics statistics(const lesson::LessonRecord& lesson, const std::vector<lesson::ResultRecord>& newestFirst) {
  const lesson::Key key = lesson::readKey(lesson.key);
  Statistics out;
  const std::size_t questions = static_cast<std::size_t>(key.questions());
  out.questions.resize(questions);
  for (std::size_t slot = 0; slot < questions; ++slot) {
    QuestionStatistics& q = out.questions[slot];
    q.slot = static_cast<int>(slot);
    if (slot < lesson.questions.size()) q.text = lesson.questions[slot].text;
    q.right = text::toUtf8(text::fromCodePage(key.answers[slot]));
  }
  out.texts = !lesson.questions.empty();

  for (const lesson::Pupil& pupil : lesson::pupilsOf(newestFirst)) {
    const lesson::ResultRecord& r = *pupil.last;
    // Scored again against this lesson's key: a result's own marks were worked out against the
    // key of the lesson it was sent to, which is this one, but a store written by hand or by
    // another version need not say so.
    const lesson::Score score = lesson::scoreAgain(key, lesson.course, r.posted);
    if (const unsigned apart = (score.marks | r.score.marks) & kApart; apart != 0) {
      lesson::Score why = score;
      why.marks = apart;
      std::string words;
      for (const std::string& word : lesson::markWords(why, r.posted)) words += (words.empty() ? "" : "; ") + word;
      out.apart.push_back({r.posted.student, r.posted.group, words});
      continue;
    }
    ++out.counted;
    // Without those marks, one digit from 0 to 4 a question.
    const std::vector<std::string_view> answers = lesson::answerParts(r.posted.answers);
    for (std::size_t slot = 0; slot < questions; ++slot) {
      const std::string_view answer = answers[slot];
      QuestionStatistics& q = out.questions[slot];
      ++q.counted;
      ++q.chosen[static_cast<std::size_t>(answer[0] - '0')];
      if (lesson::answeredRight(key, slot, answer)) ++q.rightCount;
    }
  }

  for (QuestionStatistics& q : out.questions) {
    if (q.counted > 0) q.percent = (q.rightCount * 200 + q.counted) / (2 * q.counted);
    int most = 0;
    for (int answer = 1; answer <= 4; ++answer) {
      if (lesson::answeredRight(key, static_cast<std::size_t>(q.slot), std::to_string(answer))) continue;
      const int chosen = q.chosen[static_cast<std::size_t>(answer)];
      if (chosen == 0 || chosen < most) continue;
      if (chosen > most) q.commonWrong.clear();
      most = chosen;
      q.commonWrong.push_back(answer);
    }
  }

  out.missedMost.resize(questions);
  for (std::size_t i = 0; i < questions; ++i) out.missedMost[i] = i;
  std::stable_sort(out.missedMost.begin(), out.missedMost.end(), [&out](std::size_t a, std::size_t b) {
    return out.questions[a].missed() > out.questions[b].missed();
  });
  return out;
}

}  // namespace results
