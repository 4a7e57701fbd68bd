#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace pictures {

// The size of a question's picture: the quiz shows it at its own size, and the editor's window
// promises pictures of 315×272.
inline constexpr int kWidth = 315;
inline constexpr int kHeight = 272;
// The largest image taken, in pixels: a photo of 50 megapixels decoded is 200 MB.
inline constexpr std::int64_t kMaxPixels = 50'000'000;
// The largest image file read: 50 megapixels stored plainly, with room to spare.
inline constexpr std::uint64_t kMaxFileBytes = std::uint64_t{256} << 20;

struct Size {
  int width = 0, height = 0;
  std::int64_t pixels() const { return std::int64_t{width} * height; }
  bool operator==(const Size&) const = default;
};

// An image as its decoder gives it: rows from the top, four bytes a pixel (red, green, blue and
// alpha, not premultiplied).
struct Image {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;
  // Whether its sizes and its pixels agree.
  bool whole() const {
    return width > 0 && height > 0 &&
           rgba.size() ==
               static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4;
  }
};

using Rgb = std::array<std::uint8_t, 3>;

// An image of at most 256 colours: each pixel an index into its palette.
struct Indexed {
  int width = 0, height = 0;
  std::vector<Rgb> palette;
  std::vector<std::uint8_t> pixels;
};

}  // namespace pictures
