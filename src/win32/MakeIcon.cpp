// Writes the program's icon file (.ico) from the window's icon pixels (window/Icon.h): one
// 16 x 16 image in 4 bits per pixel with the 16-colour palette and its transparency mask.
// Run at build time on the building machine.

#include <cstdint>
#include <cstdio>
#include <vector>

#include "window/Icon.h"

namespace {

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s out.ico\n", argv[0]);
    return 2;
  }
  constexpr int n = window::kIconSize;
  constexpr unsigned colourRow = n / 2;             // 4 bits a pixel, already a multiple of 4
  constexpr unsigned maskRow = ((n + 31) / 32) * 4;  // 1 bit a pixel, rows padded to 4 bytes
  constexpr unsigned imageSize = 40 + 16 * 4 + colourRow * n + maskRow * n;

  std::vector<std::uint8_t> out;
  put16(out, 0);  // the icon file's header: reserved, type 1 (icon), one image
  put16(out, 1);
  put16(out, 1);
  out.push_back(n);  // its directory entry: width, height, 16 colours, reserved
  out.push_back(n);
  out.push_back(16);
  out.push_back(0);
  put16(out, 1);  // planes
  put16(out, 4);  // bits a pixel
  put32(out, imageSize);
  put32(out, 6 + 16);  // where the image starts

  put32(out, 40);  // BITMAPINFOHEADER; the height counts the colour rows and the mask rows
  put32(out, n);
  put32(out, 2 * n);
  put16(out, 1);
  put16(out, 4);
  put32(out, 0);  // no compression
  put32(out, colourRow * n + maskRow * n);
  put32(out, 0);
  put32(out, 0);
  put32(out, 16);
  put32(out, 0);
  for (const std::uint32_t argb : window::kIconPalette) {  // RGBQUAD: blue, green, red, 0
    out.push_back(static_cast<std::uint8_t>(argb & 0xFF));
    out.push_back(static_cast<std::uint8_t>((argb >> 8) & 0xFF));
    out.push_back(static_cast<std::uint8_t>((argb >> 16) & 0xFF));
    out.push_back(0);
  }
  for (int y = n - 1; y >= 0; --y) {  // rows from the bottom up
    for (int x = 0; x < n; x += 2) {
      out.push_back(static_cast<std::uint8_t>(window::iconPixel(x, y) << 4 | window::iconPixel(x + 1, y)));
    }
  }
  for (int y = n - 1; y >= 0; --y) {  // the mask: a set bit leaves the pixel transparent
    std::vector<std::uint8_t> row(maskRow, 0);
    for (int x = 0; x < n; ++x) {
      if (!window::iconOpaque(x, y)) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }

  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr || std::fwrite(out.data(), 1, out.size(), file) != out.size() ||
      std::fclose(file) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
