#include "pictures/Header.h"

#include <cstdint>
#include <limits>

namespace pictures {

namespace {

// Reads of unsigned numbers that give nothing past the end of the bytes, in either byte order.
class Reader {
 public:
  Reader(std::string_view bytes, bool bigEndian) : b_(bytes), big_(bigEndian) {}
  std::optional<std::uint32_t> u8(std::uint64_t at) const { return get(at, 1); }
  std::optional<std::uint32_t> u16(std::uint64_t at) const { return get(at, 2); }
  std::optional<std::uint32_t> u32(std::uint64_t at) const { return get(at, 4); }

 private:
  std::optional<std::uint32_t> get(std::uint64_t at, std::uint64_t n) const {
    if (at > b_.size() || n > b_.size() - at) return std::nullopt;
    std::uint32_t value = 0;
    for (std::uint64_t i = 0; i < n; ++i) {
      const std::uint64_t k = big_ ? at + i : at + n - 1 - i;
      value = value << 8 | static_cast<std::uint8_t>(b_[static_cast<std::size_t>(k)]);
    }
    return value;
  }
  std::string_view b_;
  bool big_;
};

std::optional<Size> sized(std::optional<std::uint32_t> width, std::optional<std::uint32_t> height) {
  constexpr auto kMax = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
  if (!width || !height || *width == 0 || *height == 0 || *width > kMax || *height > kMax)
    return std::nullopt;
  return Size{static_cast<int>(*width), static_cast<int>(*height)};
}

// The image header chunk, which comes first after the signature.
std::optional<Size> pngSize(std::string_view bytes) {
  const Reader r(bytes, true);
  if (bytes.size() < 24 || bytes.substr(12, 4) != "IHDR") return std::nullopt;
  return sized(r.u32(16), r.u32(20));
}

// The logical screen, which every frame is drawn in.
std::optional<Size> gifSize(std::string_view bytes) {
  const Reader r(bytes, false);
  return sized(r.u16(6), r.u16(8));
}

// The header of the bitmap's information: the old one of OS/2 (12 bytes) with sizes of 16 bits,
// the others with signed sizes of 32 bits, a negative height for rows from the top.
std::optional<Size> bmpSize(std::string_view bytes) {
  const Reader r(bytes, false);
  if (r.u32(14) == 12u) return sized(r.u16(18), r.u16(20));
  const auto width = r.u32(18), height = r.u32(22);
  if (!width || !height || *width >= 0x80000000u) return std::nullopt;
  const std::uint32_t rows =
      *height >= 0x80000000u ? 0u - *height : *height;  // 0x80000000 stays too large
  return sized(width, rows);
}

// The frame's header: the first start-of-frame segment, found by walking the segments before it.
std::optional<Size> jpegSize(std::string_view bytes) {
  const Reader r(bytes, true);
  std::uint64_t at = 2;
  while (true) {
    const auto mark = r.u8(at);
    if (!mark || *mark != 0xFF) return std::nullopt;
    auto kind = r.u8(at + 1);
    while (kind && *kind == 0xFF) kind = r.u8(++at + 1);  // fill bytes before a marker
    if (!kind) return std::nullopt;
    if (*kind == 0xD8 || *kind == 0x01 ||
        (*kind >= 0xD0 && *kind <= 0xD7)) {  // markers without a segment
      at += 2;
      continue;
    }
    if (*kind == 0xD9 || *kind == 0xDA)
      return std::nullopt;  // the end, or the scan, before any frame
    const auto length = r.u16(at + 2);
    if (!length || *length < 2) return std::nullopt;
    const bool frame =
        *kind >= 0xC0 && *kind <= 0xCF && *kind != 0xC4 && *kind != 0xC8 && *kind != 0xCC;
    if (frame)
      return sized(r.u16(at + 7), r.u16(at + 5));  // a height of 0 comes later: not from here
    at += 2 + *length;
  }
}

// The first directory's width and length, each a short or a long.
std::optional<Size> tiffSize(std::string_view bytes) {
  const Reader r(bytes, bytes[0] == 'M');
  const auto directory = r.u32(4);
  if (!directory) return std::nullopt;
  const auto entries = r.u16(*directory);
  if (!entries) return std::nullopt;
  std::optional<std::uint32_t> width, height;
  for (std::uint32_t i = 0; i < *entries; ++i) {
    const std::uint64_t entry = std::uint64_t{*directory} + 2 + 12 * std::uint64_t{i};
    const auto tag = r.u16(entry), type = r.u16(entry + 2);
    if (!tag || !type) return std::nullopt;
    if (*tag != 256 && *tag != 257) continue;
    std::optional<std::uint32_t> value;
    if (*type == 3) value = r.u16(entry + 8);
    if (*type == 4) value = r.u32(entry + 8);
    (*tag == 256 ? width : height) = value;
  }
  return sized(width, height);
}

}  // namespace

Header readHeader(std::string_view bytes) {
  using namespace std::string_view_literals;
  const auto starts = [&](std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
  };
  if (starts("\x89PNG\r\n\x1A\n"sv)) return {Format::Png, pngSize(bytes)};
  if (starts("GIF87a"sv) || starts("GIF89a"sv)) return {Format::Gif, gifSize(bytes)};
  if (starts("\xFF\xD8\xFF"sv)) return {Format::Jpeg, jpegSize(bytes)};
  if (starts("BM"sv)) {
    // Two letters are little to go by: the size of the header after them must be one a bitmap has.
    const auto header = Reader(bytes, false).u32(14).value_or(0);
    for (std::uint32_t known : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
      if (header == known) return {Format::Bmp, bmpSize(bytes)};
    }
    return {};
  }
  if (starts("II*\0"sv) || starts("MM\0*"sv)) return {Format::Tiff, tiffSize(bytes)};
  return {};
}

}  // namespace pictures
