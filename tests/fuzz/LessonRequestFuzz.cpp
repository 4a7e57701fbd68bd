// Fuzzes what a pupil's browser sends a lesson: the first line is a request's target, the rest a
// form's body. Whatever the bytes, a target names a file of the test or nothing, and never by a
// name that leaves the test or reaches a hidden file; a form gives UTF-8 text only; a score
// stays within its questions.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "lesson/Form.h"
#include "lesson/Pages.h"
#include "lesson/Score.h"
#include "lesson/Target.h"
#include "text/CodePage.h"

namespace {

const lesson::Files& files() {
  static const lesson::Files model = [] {
    lesson::Files f;
    for (const char* name : {"index.html", "index1.html", "title.html", "1.js", "0/0.html", "0/9.html", "9/9.html",
                             "pics/1.gif"}) {
      f[name] = name;
    }
    return f;
  }();
  return model;
}

const lesson::Key& key() {
  static const lesson::Key model = [] {
    lesson::Key k;
    k.stages = 2;
    for (std::size_t slot = 0; slot < k.answers.size(); ++slot) k.answers[slot] = std::string(1, char('1' + slot % 4));
    k.pass = 60;
    return k;
  }();
  return model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string_view target = input.substr(0, newline);
  const std::string_view body = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

  const lesson::Target t = lesson::targetFile(target, files());
  if (t.kind == lesson::Target::File) {
    if (files().find(t.name) == files().end()) std::abort();
    if (target.empty() || target.front() != '/') std::abort();
    if (t.name.find("..") != std::string::npos || t.name.find_first_of("\\:") != std::string::npos) std::abort();
    if (t.name.front() == '.' || t.name.find("/.") != std::string::npos) std::abort();
  } else if (!t.name.empty()) {
    std::abort();
  }

  const lesson::Posted posted = lesson::decodeForm(body);
  for (const auto& field : lesson::kPostedFields) {
    if (!text::fromUtf8(posted.*field.second)) std::abort();
  }
  const lesson::Score score = lesson::scoreAgain(key(), "Курс", posted);
  if (score.questions != 20 || score.right < 0 || score.right > score.questions) std::abort();
  if (score.percent != score.right * 100 / score.questions) std::abort();
  if (score.marks > 15) std::abort();
  (void)lesson::markWords(score, posted);
  const std::string page = lesson::acceptedPage(posted.student);
  const std::string escaped = lesson::escapedHtml(posted.student);
  if (escaped.find_first_of("<>\"'") != std::string::npos) std::abort();
  if (page.find(escaped) == std::string::npos) std::abort();
  return 0;
}
