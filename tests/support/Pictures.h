#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pictures/Decoder.h"
#include "pictures/Image.h"

namespace support {

// An image of one colour, or of the colour a function gives each pixel (x, y).
pictures::Image solidImage(int width, int height, pictures::Rgb rgb, std::uint8_t alpha = 255);
template <typename Paint>
pictures::Image paintedImage(int width, int height, Paint paint) {
  pictures::Image image{width, height,
                        std::vector<std::uint8_t>(static_cast<std::size_t>(width) *
                                                  static_cast<std::size_t>(height) * 4)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const pictures::Rgb rgb = paint(x, y);
      std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                     static_cast<std::size_t>(x)) *
                                    4];
      p[0] = rgb[0], p[1] = rgb[1], p[2] = rgb[2], p[3] = 255;
    }
  }
  return image;
}
pictures::Rgb pixelAt(const pictures::Image& image, int x, int y);

// A bitmap file of 32 bits a pixel (BITMAPINFOHEADER, rows from the bottom, alpha in the fourth
// byte), whose header may name other sizes than the image's.
std::string bmpBytes(const pictures::Image& image, std::optional<pictures::Size> header = {});
// A format of the tests' own that no header reader knows: "RAW!", width and height (32 bits
// each, little-endian), then RGBA.
std::string rawBytes(const pictures::Image& image, std::optional<pictures::Size> header = {});

// The program's decoder stood in for: reads the bitmaps and the raw images above, and counts
// how often it was asked to decode.
class TestDecoder final : public pictures::Decoder {
 public:
  std::optional<pictures::Size> size(std::string_view bytes) override;
  std::optional<pictures::Image> decode(std::string_view bytes) override;
  int decoded = 0;
};

// A GIF file read back by giflib's own reader: its screen, its one image's pixels as colours, the
// size of its global colour table, and what it holds besides (images, extensions, a local table,
// interlacing).
struct ReadGif {
  int width = 0, height = 0;
  std::string version;  // "GIF87a"
  int colours = 0;      // entries of the global colour table
  int images = 0, extensions = 0;
  bool localTable = false, interlaced = false;
  int left = 0, top = 0;  // where the first image lies on the screen
  pictures::Image image;  // the first image's pixels, opaque
};
std::optional<ReadGif> readGif(std::string_view bytes);

}  // namespace support
