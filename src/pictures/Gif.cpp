#include "pictures/Gif.h"

#include <gif_lib.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace pictures {

namespace {

int append(GifFileType* gif, const GifByteType* bytes, int length) {
  static_cast<std::string*>(gif->UserData)
      ->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
  return length;
}

[[noreturn]] void failed(const char* what, int error) {
  const char* why = GifErrorString(error);
  throw std::runtime_error(std::string("giflib: ") + what + ": " +
                           (why != nullptr ? why : "unknown error"));
}

}  // namespace

std::string gifBytes(const Indexed& image) {
  const std::size_t pixels =
      static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
  if (image.width < 1 || image.height < 1 || image.width > 65535 || image.height > 65535 ||
      image.palette.empty() || image.palette.size() > 256 || image.pixels.size() != pixels) {
    throw std::invalid_argument("gifBytes: an image whose sizes, palette and pixels disagree");
  }
  for (std::uint8_t p : image.pixels) {
    if (p >= image.palette.size())
      throw std::invalid_argument("gifBytes: a pixel beyond the palette");
  }
  int bits = 1;
  while ((std::size_t{1} << bits) < image.palette.size()) ++bits;
  const std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(
      GifMakeMapObject(1 << bits, nullptr), GifFreeMapObject);
  if (!map) throw std::bad_alloc();
  for (int i = 0; i < map->ColorCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const Rgb rgb = k < image.palette.size() ? image.palette[k] : Rgb{0, 0, 0};
    map->Colors[i] = {rgb[0], rgb[1], rgb[2]};
  }

  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, append, &error);
  if (gif == nullptr) failed("EGifOpen", error);
  const auto close = [&](const char* what) {
    const int code = gif->Error;
    EGifCloseFile(gif, nullptr);
    failed(what, code);
  };
  if (EGifPutScreenDesc(gif, image.width, image.height, 8, 0, map.get()) == GIF_ERROR)
    close("EGifPutScreenDesc");
  if (EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_ERROR)
    close("EGifPutImageDesc");
  // giflib masks the line it is given in place: each row goes through a copy.
  std::vector<GifPixelType> row(static_cast<std::size_t>(image.width));
  for (std::size_t y = 0; y < static_cast<std::size_t>(image.height); ++y) {
    const auto* from = image.pixels.data() + y * row.size();
    std::copy(from, from + row.size(), row.begin());
    if (EGifPutLine(gif, row.data(), image.width) == GIF_ERROR) close("EGifPutLine");
  }
  if (EGifCloseFile(gif, &error) == GIF_ERROR) failed("EGifCloseFile", error);
  return out;
}

}  // namespace pictures
