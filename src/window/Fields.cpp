#include "window/Fields.h"

namespace window {

namespace {

bool isLineBreak(char32_t c) { return c == '\r' || c == '\n' || c == 0x2028 || c == 0x2029; }

}  // namespace

using text::appendChar;
using text::appendUtf8;
using text::nextChar;

std::u16string mendInput(std::u16string_view text, FieldRule rule, char32_t* refused) {
  std::u16string out;
  out.reserve(text.size());
  char32_t first = 0;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = nextChar(text, i);
    if (isLineBreak(c)) {
      if (c == u'\r' && i < text.size() && text[i] == u'\n') ++i;
      out += u' ';
    } else if (fits(c, rule)) {
      appendChar(out, c);
    } else if (first == 0) {
      first = c;
    }
  }
  if (refused != nullptr) *refused = first;
  return out;
}

std::string refusalText(char32_t c, FieldRule rule) {
  std::string name;
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || text::isSurrogate(c)) {
    static const char* const kHex = "0123456789ABCDEF";
    name = "U+";
    for (int shift = c > 0xFFFF ? 16 : 12; shift >= 0; shift -= 4) name += kHex[(c >> shift) & 15];
  } else {
    name = "«";
    appendUtf8(name, c);
    name += "»";
  }
  if (rule == FieldRule::References) {
    return "Знак " + name + " не вписан: страница теста не может его показать.";
  }
  return "Знак " + name +
         " не вписан: в этом поле годятся только буквы, цифры и знаки кодировки теста "
         "(Windows-1251), потому что оно записывается в файл 1.js или в адрес обработчика. "
         "Знаки вроде x², √, π, ≤ можно вписывать в текст вопроса, ответы, название курса и "
         "проверяющий орган.";
}

const std::u16string& FieldText::fill(const std::string& bytes) {
  if (bytes != bytes_ || !filled_) {
    bytes_ = bytes;
    shown_ = fromCodePage(bytes, rule_);
    filled_ = true;
  }
  return shown_;
}

std::string FieldText::take(std::u16string_view now) const {
  if (now == shown_) return bytes_;
  // The controls mend what comes in; mending again here only guards the model against a text
  // that reached the control some other way.
  return toCodePage(mendInput(now, rule_), rule_).value();
}

std::u16string boxText(std::u16string_view text, std::u16string_view lineBreak) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' || text[i] == u'\n') {
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out += lineBreak;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace window
