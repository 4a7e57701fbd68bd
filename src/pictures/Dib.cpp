#include "pictures/Dib.h"

#include <cstdint>

namespace pictures {

namespace {

std::uint32_t little(std::string_view bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count; i-- > 0;)
    value = value << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
  return value;
}

void put(std::string& out, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

constexpr std::uint32_t kFileHeader = 14;
constexpr std::uint32_t kInfoHeader = 40;  // BITMAPINFOHEADER; V4 is 108, V5 124
constexpr std::uint32_t kBitFields = 3, kAlphaBitFields = 6;

}  // namespace

std::optional<std::string> bmpFileOf(std::string_view dib) {
  if (dib.size() < kInfoHeader) return std::nullopt;
  const std::uint32_t header = little(dib, 0, 4);
  if (header < kInfoHeader || header > dib.size()) return std::nullopt;
  const auto width = static_cast<std::int32_t>(little(dib, 4, 4));
  const auto height = static_cast<std::int32_t>(little(dib, 8, 4));
  const std::uint32_t planes = little(dib, 12, 2), bits = little(dib, 14, 2);
  const std::uint32_t compression = little(dib, 16, 4), used = little(dib, 32, 4);
  if (width <= 0 || height == 0 || height == INT32_MIN || planes != 1) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return std::nullopt;
  // A plain info header is followed by its masks; the later headers hold them.
  std::uint32_t masks = 0;
  if (header == kInfoHeader && compression == kBitFields) masks = 12;
  if (header == kInfoHeader && compression == kAlphaBitFields) masks = 16;
  // The colours: as many as it says, or as many as its bits name when it says none.
  const std::uint32_t named = bits <= 8 ? 1u << bits : 0;
  if (used > 256 || (named != 0 && used > named)) return std::nullopt;
  const std::uint32_t colours = used != 0 ? used : named;
  const std::uint64_t rows = std::uint64_t{header} + masks + std::uint64_t{colours} * 4;
  if (rows > dib.size()) return std::nullopt;
  std::string file = "BM";
  put(file, static_cast<std::uint32_t>(kFileHeader + dib.size()), 4);
  put(file, 0, 4);
  put(file, static_cast<std::uint32_t>(kFileHeader + rows), 4);
  file.append(dib);
  return file;
}

}  // namespace pictures
