// Fuzzes the image path: any bytes as an image file's header, which is read without a byte
// beyond them and gives a size only of at least a pixel; and the same bytes as pixels, fitted
// into a box, quantized and written as GIF, which giflib reads back at the box's size with every
// pixel the palette's colour, and an image of at most 256 colours exactly as it was.

#include <gif_lib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "pictures/Gif.h"
#include "pictures/Header.h"
#include "pictures/Quantize.h"
#include "pictures/Scale.h"

namespace {

struct Source {
  std::string_view bytes;
  std::size_t at = 0;
};

int readInto(GifFileType* gif, GifByteType* into, int length) {
  auto* s = static_cast<Source*>(gif->UserData);
  const std::size_t n = std::min(static_cast<std::size_t>(length), s->bytes.size() - s->at);
  std::memcpy(into, s->bytes.data() + s->at, n);
  s->at += n;
  return static_cast<int>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const pictures::Header header = pictures::readHeader(bytes);
  if (header.size && (header.size->width < 1 || header.size->height < 1)) std::abort();
  if (header.size && header.format == pictures::Format::Unknown) std::abort();
  if (size < 6) return 0;

  // The first bytes: the image's size (1..64 a side), the box's, whether it enlarges; the rest
  // the pixels, over and over.
  pictures::Image image{data[0] % 64 + 1, data[1] % 64 + 1, {}};
  const pictures::Fit fit{data[2] % 64 + 1, data[3] % 64 + 1, (data[4] & 1) != 0};
  const std::string_view pixels = bytes.substr(5);
  image.rgba.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) *
                    4);
  for (std::size_t i = 0; i < image.rgba.size(); ++i)
    image.rgba[i] = static_cast<std::uint8_t>(pixels[i % pixels.size()]);

  const pictures::Image fitted = pictures::fitted(image, fit);
  if (fitted.width != fit.width || fitted.height != fit.height) std::abort();
  std::set<std::uint32_t> colours;
  for (std::size_t i = 0; i < fitted.rgba.size(); i += 4) {
    if (fitted.rgba[i + 3] != 255) std::abort();
    colours.insert(std::uint32_t{fitted.rgba[i]} << 16 | std::uint32_t{fitted.rgba[i + 1]} << 8 |
                   fitted.rgba[i + 2]);
  }
  const pictures::Indexed indexed = pictures::quantized(fitted);
  if (indexed.palette.size() != std::min<std::size_t>(colours.size(), 256)) std::abort();
  const std::string gifBytes = pictures::gifBytes(indexed);

  Source source{gifBytes};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, readInto, &error);
  if (gif == nullptr || DGifSlurp(gif) != GIF_OK || gif->ImageCount != 1 ||
      gif->SColorMap == nullptr || gif->SWidth != fit.width || gif->SHeight != fit.height) {
    std::abort();
  }
  const SavedImage& read = gif->SavedImages[0];
  for (std::size_t i = 0; i < indexed.pixels.size(); ++i) {
    const GifByteType index = read.RasterBits[i];
    if (index != indexed.pixels[i] || index >= gif->SColorMap->ColorCount) std::abort();
    const GifColorType& c = gif->SColorMap->Colors[index];
    const std::uint8_t* want = &fitted.rgba[i * 4];
    if (colours.size() <= 256 && (c.Red != want[0] || c.Green != want[1] || c.Blue != want[2]))
      std::abort();
  }
  DGifCloseFile(gif, &error);
  return 0;
}
