#include "text/CodePage.h"

#include <array>

namespace text {

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

// The byte of a character, or -1 when the code page has none.
int byteOf(char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
    if (kUpperHalf[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

bool isHighHalf(char32_t c) { return c >= 0xD800 && c < 0xDC00; }
bool isLowHalf(char32_t c) { return c >= 0xDC00 && c < 0xE000; }



// A character that a page holds only as a reference.
bool needsReference(char32_t c) { return !fitsCodePage(c) && fits(c, FieldRule::References); }

// The character of a reference "&#" decimal ";" at the start of `bytes`, written as the
// References rule writes it, with its length; 0 when there is none.
char32_t referenceAt(std::string_view bytes, std::size_t& length) {
  if (bytes.size() < 4 || bytes[0] != '&' || bytes[1] != '#' || bytes[2] < '1' || bytes[2] > '9') {
    return 0;
  }
  char32_t value = 0;
  std::size_t i = 2;
  // Eight digits are more than any code point needs; a longer number names none.
  for (; i < bytes.size() && i < 10 && bytes[i] >= '0' && bytes[i] <= '9'; ++i) {
    value = value * 10 + static_cast<char32_t>(bytes[i] - '0');
  }
  if (i >= bytes.size() || bytes[i] != ';' || value > 0x10FFFF || !needsReference(value)) return 0;
  length = i + 1;
  return value;
}

}  // namespace

char32_t nextChar(std::u16string_view text, std::size_t& i) {
  const char32_t c = text[i++];
  if (isHighHalf(c) && i < text.size() && isLowHalf(text[i])) {
    return 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
  }
  return c;
}

void appendChar(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool isSurrogate(char32_t c) { return isHighHalf(c) || isLowHalf(c); }

std::u16string fromCodePage(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  char16_t* out = text.data();
  for (const char b : bytes) {
    const auto byte = static_cast<unsigned char>(b);
    *out++ = byte < 0x80 ? char16_t{byte} : kUpperHalf[byte - 0x80u];
  }
  return text;
}

std::string toUtf8(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = nextChar(text, i);
    appendUtf8(bytes, isHighHalf(c) || isLowHalf(c) ? 0xFFFD : c);
  }
  return bytes;
}

std::optional<std::u16string> fromUtf8(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      text += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    // The length of the sequence and the smallest value it may carry (a smaller one is an
    // overlong form of a shorter sequence).
    std::size_t length = 0;
    char32_t c = 0, least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, c = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, c = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, c = lead & 0x07u, least = 0x10000;
    } else {
      return std::nullopt;
    }
    if (bytes.size() - i < length) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      const auto more = static_cast<unsigned char>(bytes[i + k]);
      if ((more & 0xC0u) != 0x80u) return std::nullopt;
      c = (c << 6) | (more & 0x3Fu);
    }
    if (c < least || c > 0x10FFFF || isHighHalf(c) || isLowHalf(c)) return std::nullopt;
    appendChar(text, c);
    i += length;
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

bool fits(char32_t c, FieldRule rule) {
  if (fitsCodePage(c)) return true;
  return rule == FieldRule::References && c > 0x9F && !isHighHalf(c) && !isLowHalf(c) &&
         c <= 0x10FFFF;
}

std::u16string fromCodePage(std::string_view bytes, FieldRule rule) {
  if (rule == FieldRule::CodePage || bytes.find("&#") == std::string_view::npos) {
    return fromCodePage(bytes);
  }
  std::u16string text;
  text.reserve(bytes.size());
  std::size_t start = 0;  // the bytes not yet decoded begin here
  for (std::size_t i = bytes.find("&#"); i != std::string_view::npos; i = bytes.find("&#", i)) {
    std::size_t length = 0;
    const char32_t c = referenceAt(bytes.substr(i), length);
    if (c == 0) {
      ++i;
      continue;
    }
    text += fromCodePage(bytes.substr(start, i - start));
    appendChar(text, c);
    i += length;
    start = i;
  }
  text += fromCodePage(bytes.substr(start));
  return text;
}

std::optional<std::string> toCodePage(std::u16string_view text, FieldRule rule) {
  if (rule == FieldRule::CodePage) return toCodePage(text);
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = nextChar(text, i);
    const int byte = byteOf(c);
    if (byte >= 0) {
      bytes += static_cast<char>(byte);
    } else if (fits(c, rule)) {
      bytes += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
    } else {
      return std::nullopt;
    }
  }
  return bytes;
}

}  // namespace text
