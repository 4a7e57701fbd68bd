#include "support/Pictures.h"

#include <gif_lib.h>

#include <cstring>

namespace support {

namespace {

void put(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}
std::uint32_t get(std::string_view in, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<std::uint8_t>(in[at + i]);
  return value;
}

}  // namespace

pictures::Image solidImage(int width, int height, pictures::Rgb rgb, std::uint8_t alpha) {
  pictures::Image image = paintedImage(width, height, [&](int, int) { return rgb; });
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) image.rgba[i] = alpha;
  return image;
}

pictures::Rgb pixelAt(const pictures::Image& image, int x, int y) {
  const std::uint8_t* p =
      &image.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                   static_cast<std::size_t>(x)) *
                  4];
  return {p[0], p[1], p[2]};
}

std::string bmpBytes(const pictures::Image& image, std::optional<pictures::Size> header) {
  const pictures::Size named = header.value_or(pictures::Size{image.width, image.height});
  const std::uint32_t data = static_cast<std::uint32_t>(image.rgba.size());
  std::string out = "BM";
  put(out, 54 + data, 4);
  put(out, 0, 4);
  put(out, 54, 4);
  put(out, 40, 4);
  put(out, static_cast<std::uint32_t>(named.width), 4);
  put(out, static_cast<std::uint32_t>(named.height), 4);
  put(out, 1, 2);
  put(out, 32, 2);
  put(out, 0, 4);  // no compression
  put(out, data, 4);
  put(out, 2835, 4);
  put(out, 2835, 4);
  put(out, 0, 4);
  put(out, 0, 4);
  for (int y = image.height; y-- > 0;) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p =
          &image.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                       static_cast<std::size_t>(x)) *
                      4];
      out += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0]),
              static_cast<char>(p[3])};
    }
  }
  return out;
}

std::string rawBytes(const pictures::Image& image, std::optional<pictures::Size> header) {
  const pictures::Size named = header.value_or(pictures::Size{image.width, image.height});
  std::string out = "RAW!";
  put(out, static_cast<std::uint32_t>(named.width), 4);
  put(out, static_cast<std::uint32_t>(named.height), 4);
  out.append(reinterpret_cast<const char*>(image.rgba.data()), image.rgba.size());
  return out;
}

std::optional<pictures::Size> TestDecoder::size(std::string_view bytes) {
  if (bytes.size() < 12 || bytes.substr(0, 4) != "RAW!") return std::nullopt;
  return pictures::Size{static_cast<int>(get(bytes, 4)), static_cast<int>(get(bytes, 8))};
}

std::optional<pictures::Image> TestDecoder::decode(std::string_view bytes) {
  ++decoded;
  pictures::Image image;
  if (bytes.size() >= 12 && bytes.substr(0, 4) == "RAW!") {
    image.width = static_cast<int>(get(bytes, 4));
    image.height = static_cast<int>(get(bytes, 8));
    image.rgba.assign(bytes.begin() + 12, bytes.end());
  } else if (bytes.size() >= 54 && bytes.substr(0, 2) == "BM") {
    image.width = static_cast<int>(get(bytes, 18));
    image.height = static_cast<int>(get(bytes, 22));
    const std::uint64_t need = 54 + std::uint64_t{4} * static_cast<std::uint32_t>(image.width) *
                                        static_cast<std::uint32_t>(image.height);
    if (image.width <= 0 || image.height <= 0 || bytes.size() < need)
      return std::nullopt;  // cut short
    image.rgba.resize(need - 54);
    for (int y = 0; y < image.height; ++y) {
      const char* row = bytes.data() + 54 +
                        static_cast<std::size_t>(image.height - 1 - y) *
                            static_cast<std::size_t>(image.width) * 4;
      for (int x = 0; x < image.width; ++x) {
        std::uint8_t* p =
            &image.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                         static_cast<std::size_t>(x)) *
                        4];
        const char* q = row + static_cast<std::size_t>(x) * 4;
        p[0] = static_cast<std::uint8_t>(q[2]), p[1] = static_cast<std::uint8_t>(q[1]),
        p[2] = static_cast<std::uint8_t>(q[0]);
        p[3] = static_cast<std::uint8_t>(q[3]);
      }
    }
  } else {
    return std::nullopt;
  }
  return image;
}

std::optional<ReadGif> readGif(std::string_view bytes) {
  struct Source {
    std::string_view bytes;
    std::size_t at = 0;
  } source{bytes};
  const auto read = [](GifFileType* gif, GifByteType* into, int length) {
    auto* s = static_cast<Source*>(gif->UserData);
    const std::size_t n = std::min(static_cast<std::size_t>(length), s->bytes.size() - s->at);
    std::memcpy(into, s->bytes.data() + s->at, n);
    s->at += n;
    return static_cast<int>(n);
  };
  int error = 0;
  GifFileType* gif = DGifOpen(&source, read, &error);
  if (gif == nullptr) return std::nullopt;
  std::optional<ReadGif> out;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1 && gif->SColorMap != nullptr) {
    ReadGif r;
    r.version = std::string(bytes.substr(0, 6));
    r.width = gif->SWidth;
    r.height = gif->SHeight;
    r.colours = gif->SColorMap->ColorCount;
    r.images = gif->ImageCount;
    r.extensions = gif->ExtensionBlockCount;
    const SavedImage& first = gif->SavedImages[0];
    r.extensions += first.ExtensionBlockCount;
    r.localTable = first.ImageDesc.ColorMap != nullptr;
    r.interlaced = first.ImageDesc.Interlace;
    r.left = first.ImageDesc.Left;
    r.top = first.ImageDesc.Top;
    const int w = first.ImageDesc.Width, h = first.ImageDesc.Height;
    r.image =
        pictures::Image{w, h,
                        std::vector<std::uint8_t>(
                            static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4, 255)};
    for (std::size_t i = 0; i < static_cast<std::size_t>(w) * static_cast<std::size_t>(h); ++i) {
      if (first.RasterBits[i] >= r.colours) {
        DGifCloseFile(gif, &error);
        return std::nullopt;  // a pixel beyond the colour table
      }
      const GifColorType& c = gif->SColorMap->Colors[first.RasterBits[i]];
      r.image.rgba[i * 4] = c.Red, r.image.rgba[i * 4 + 1] = c.Green,
                       r.image.rgba[i * 4 + 2] = c.Blue;
    }
    out = std::move(r);
  }
  DGifCloseFile(gif, &error);
  return out;
}

}  // namespace support
