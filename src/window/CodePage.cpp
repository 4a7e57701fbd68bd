#include "window/CodePage.h"

#include <array>

namespace window {

namespace {

// The upper half of Windows-1251: the character of each byte from 0x80 to 0xFF. The code page
// leaves 0x98 undefined; it stands for U+0098 here, so that every byte has a character and
// comes back as itself. The table is the code page's own and never changes, so it is kept here
// rather than asked of a converter library, which costs the window a megabyte of memory and
// milliseconds of start-up to load.
constexpr std::array<char16_t, 128> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

bool isLineBreak(char32_t c) { return c == '\r' || c == '\n' || c == 0x2028 || c == 0x2029; }

// The byte of a character, or -1 when the code page has none.
int byteOf(char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
    if (kUpperHalf[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

}  // namespace

std::u16string fromCodePage(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  char16_t* out = text.data();
  for (const char b : bytes) {
    const auto byte = static_cast<unsigned char>(b);
    *out++ = byte < 0x80 ? char16_t{byte} : kUpperHalf[byte - 0x80u];
  }
  return text;
}

std::optional<std::string> toCodePage(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (const char16_t c : text) {
    // A surrogate (half of a character beyond the first plane) never has a byte.
    const int byte = byteOf(c);
    if (byte < 0) return std::nullopt;
    bytes += static_cast<char>(byte);
  }
  return bytes;
}

bool fitsCodePage(char32_t c) { return byteOf(c) >= 0; }

std::u16string mendInput(std::u16string_view text, bool* refused) {
  std::u16string out;
  out.reserve(text.size());
  bool dropped = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (isLineBreak(c)) {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out += u' ';
    } else if (fitsCodePage(c)) {
      out += c;
    } else {
      // A surrogate pair is one character, left out whole.
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
          text[i + 1] < 0xE000) {
        ++i;
      }
      dropped = true;
    }
  }
  if (refused != nullptr) *refused = dropped;
  return out;
}

const std::u16string& FieldText::fill(const std::string& bytes) {
  if (bytes != bytes_ || !filled_) {
    bytes_ = bytes;
    shown_ = fromCodePage(bytes);
    filled_ = true;
  }
  return shown_;
}

std::string FieldText::take(std::u16string_view now) const {
  if (now == shown_) return bytes_;
  // The controls mend what comes in; mending again here only guards the model against a text
  // that reached the control some other way.
  return toCodePage(mendInput(now)).value();
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
