#include "lesson/Form.h"

#include <bitset>
#include <optional>

#include "text/CodePage.h"

namespace lesson {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> percentDecoded(std::string_view encoded, Escapes escapes) {
  const bool form = escapes == Escapes::Form;
  std::string out;
  out.reserve(encoded.size());
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    if (c == '+' && form) {
      out += ' ';
      continue;
    }
    if (c != '%') {
      out += c;
      continue;
    }
    const bool whole = i + 2 < encoded.size() && hexValue(encoded[i + 1]) >= 0 && hexValue(encoded[i + 2]) >= 0;
    if (!whole) {
      if (!form) return std::nullopt;
      out += c;
      continue;
    }
    out += static_cast<char>(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
    i += 2;
  }
  return out;
}

std::string formValue(std::string_view encoded) {
  const std::string bytes = *percentDecoded(encoded, Escapes::Form);
  bool high = false;
  for (const char c : bytes) high = high || static_cast<unsigned char>(c) > 127;
  if (high && text::fromUtf8(bytes)) return bytes;
  return text::toUtf8(text::fromCodePage(bytes, text::FieldRule::References));
}

Posted decodeForm(std::string_view body) {
  Posted posted;
  std::bitset<std::size(kPostedFields)> seen;
  while (!body.empty()) {
    const std::size_t amp = body.find('&');
    const std::string_view pair = body.substr(0, amp);
    body = amp == std::string_view::npos ? std::string_view() : body.substr(amp + 1);
    const std::size_t eq = pair.find('=');
    const std::string name = *percentDecoded(pair.substr(0, eq), Escapes::Form);
    for (std::size_t i = 0; i < std::size(kPostedFields); ++i) {
      if (seen[i] || name != kPostedFields[i].first) continue;
      seen[i] = true;
      posted.*kPostedFields[i].second =
          eq == std::string_view::npos ? std::string() : formValue(pair.substr(eq + 1));
    }
  }
  return posted;
}

bool isFormType(std::string_view contentType) {
  const std::string_view type = contentType.substr(0, contentType.find(';'));
  std::string lower;
  for (const char c : type) {
    if (c == ' ' || c == '\t') continue;
    lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return lower == "application/x-www-form-urlencoded";
}

}  // namespace lesson
