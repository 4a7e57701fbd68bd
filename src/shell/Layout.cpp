#include "shell/Layout.h"

#include <algorithm>
#include <vector>

namespace shell {

std::string stageFolderName(int stage) { return decimal(stage - 1); }
std::string pageName(int question) { return decimal(question - 1) + ".html"; }
int answerSlot(int stage, int question) { return (stage - 1) * 10 + (question - 1); }
int questionOrdinal(int stage, int question) { return answerSlot(stage, question) + 1; }

std::optional<int> stageOfFolder(std::string_view name) {
  if (name.size() != 1 || name[0] < '0' || name[0] > '9') return std::nullopt;
  return name[0] - '0' + 1;
}

bool isPictureName(std::string_view name) {
  return name.size() == 5 && name[0] >= '0' && name[0] <= '9' && name.substr(1) == kPictureExtension;
}

std::string pictureName(int digit) { return decimal(digit) + kPictureExtension; }

bool isPicturesFolder(std::string_view name) {
  return name.size() >= 4 && name.substr(name.size() - 4) == "pics";
}

namespace {
bool sameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}
}  // namespace

bool isSystemFolder(std::string_view name) {
  // Windows names are compared without regard to letter case, as Windows does.
  return (!name.empty() && name.front() == '.') ||
         sameLetters(name, "System Volume Information") || sameLetters(name, "$RECYCLE.BIN") ||
         sameLetters(name, "RECYCLER");
}

bool isTemporaryName(std::string_view name) {
  return name.size() > 5 && name.front() == '.' && name.substr(name.size() - 4) == ".tmp";
}

std::string temporaryName(std::string target) {
  std::replace(target.begin(), target.end(), '/', '-');
  return "." + target + ".tmp";
}

std::string deletedName(int attempt) { return ".~" + decimal(attempt) + ".tmp"; }

namespace {
bool plainByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-' || c == '/';
}
}  // namespace

bool insideRoot(std::string_view path) {
  if (path.empty() || path.front() == '/' || path.find('\\') != std::string_view::npos ||
      path.find(':') != std::string_view::npos) {
    return false;
  }
  for (std::size_t start = 0;;) {
    const std::size_t slash = path.find('/', start);
    const std::string_view part = path.substr(start, slash - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (slash == std::string_view::npos) return true;
    start = slash + 1;
  }
}

std::string wordEncoded(std::string_view text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (plainByte(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::optional<std::string> wordDecoded(std::string_view word) {
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (plainByte(static_cast<unsigned char>(word[i]))) {
      out += word[i];
    } else if (word[i] == '%' && i + 2 < word.size() && hex(word[i + 1]) >= 0 && hex(word[i + 2]) >= 0) {
      out += static_cast<char>(hex(word[i + 1]) * 16 + hex(word[i + 2]));
      i += 2;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::string decimal(long value) { return std::to_string(value); }

std::optional<long> parseDecimal(std::string_view text) {
  auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 9) return std::nullopt;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

bool matchesPattern(std::string_view name, std::string_view pattern) {
  // Iterative match with backtracking to the last '*': linear in practice for shell names.
  std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace shell
