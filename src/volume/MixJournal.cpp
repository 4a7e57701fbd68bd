#include "volume/MixJournal.h"

#include <set>
#include <sstream>

#include "shell/ShellError.h"

namespace volume {

namespace {

const char* const kHeader = "mixing journal 1";
const char* const kDigits = "0123456789abcdef";

// Answer lines are bytes of any value; hex keeps the journal one plain line per move.
std::string hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

[[noreturn]] void corrupt() {
  throw shell::ShellError(kMixJournalFile,
                          "запись о незавершённой смене порядка вопросов повреждена; "
                          "редактор не может ни завершить, ни отменить эту смену. Проверьте "
                          "папки этапов и файлы mix-*.staged в папке теста");
}

}  // namespace

std::string MixJournal::text() const {
  std::ostringstream out;
  out << kHeader << "\nphase " << phase << "\n";
  for (const auto& move : moves) out << move.from << ' ' << move.to << ' ' << hex(move.answer) << "\n";
  out << "end\n";
  return out.str();
}

MixJournal MixJournal::parse(std::string_view text) {
  std::istringstream in{std::string(text)};
  std::string line;
  MixJournal journal;
  if (!std::getline(in, line) || line != kHeader) corrupt();
  if (!std::getline(in, line) || (line != "phase 1" && line != "phase 2")) corrupt();
  journal.phase = line.back() - '0';
  std::set<int> froms, tos;
  bool ended = false;
  while (std::getline(in, line)) {
    if (line == "end") {
      ended = true;
      break;
    }
    std::istringstream fields(line);
    Move move{-1, -1, {}};
    std::string answer;
    fields >> move.from >> move.to;
    if (!fields || move.from < 0 || move.from > 99 || move.to < 0 || move.to > 99) corrupt();
    fields >> answer;
    if (answer.size() % 2 != 0) corrupt();
    for (std::size_t i = 0; i < answer.size(); i += 2) {
      const int hi = hexValue(answer[i]), lo = hexValue(answer[i + 1]);
      if (hi < 0 || lo < 0) corrupt();
      move.answer += static_cast<char>(hi * 16 + lo);
    }
    if (!froms.insert(move.from).second || !tos.insert(move.to).second) corrupt();
    journal.moves.push_back(std::move(move));
  }
  if (!ended || froms != tos) corrupt();
  return journal;
}

}  // namespace volume
