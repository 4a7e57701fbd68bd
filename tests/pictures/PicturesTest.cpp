// Pictures from any image: the sizes read from headers, the fit into the question's box, the
// quantizer, the GIF as giflib reads it back, and the whole path with its refusals.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "pictures/Dib.h"
#include "pictures/Gif.h"
#include "pictures/Header.h"
#include "pictures/Picture.h"
#include "pictures/Quantize.h"
#include "pictures/Scale.h"
#include "support/Pictures.h"

namespace pictures {

void PrintTo(const Size& s, std::ostream* out) {
  *out << s.width << "x" << s.height;
}

namespace {

using support::paintedImage;
using support::pixelAt;
using support::solidImage;

std::string bytesOf(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

// A photo's worth of colours: smooth ramps of all three channels, more colours than a GIF holds.
Image gradient(int width, int height) {
  return paintedImage(width, height, [&](int x, int y) {
    return Rgb{static_cast<std::uint8_t>(x * 255 / (width - 1)),
               static_cast<std::uint8_t>(y * 255 / (height - 1)),
               static_cast<std::uint8_t>((x + y) * 255 / (width + height - 2))};
  });
}

TEST(PictureHeader, SizesOfTheCommonFormatsAndTheirCutShortHeaders) {
  using namespace std::string_literals;
  const std::string png = "\x89PNG\r\n\x1A\n"s + bytesOf({0, 0, 0, 13}) + "IHDR" +
                          bytesOf({0, 0, 0x0F, 0xA0, 0, 0, 0x0B, 0xB8});
  const std::string gif = "GIF89a" + bytesOf({0x3B, 0x01, 0x10, 0x01});
  // A JPEG with its APP0 segment, fill bytes, then a progressive frame.
  const std::string jpeg = bytesOf(
      {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F', 0xFF, 0xFF, 0xC2, 0, 11, 8, 0x0B, 0xB8, 0x0F, 0xA0});
  // A huffman table's segment is no frame, whatever its marker's neighbours.
  const std::string jpegTable =
      bytesOf({0xFF, 0xD8, 0xFF, 0xC4, 0, 4, 0, 0, 0xFF, 0xC0, 0, 11, 8, 0, 20, 0, 30});
  const std::string bmp =
      "BM"s + std::string(12, '\0') + bytesOf({40, 0, 0, 0, 0x10, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF});
  const std::string os2 = "BM"s + std::string(12, '\0') + bytesOf({12, 0, 0, 0, 7, 0, 9, 0});
  const std::string tiffLe =
      "II*\0"s + bytesOf({8,    0, 0, 0, 2, 0, 0, 1, 3, 0, 1, 0,    0,    0, 0x40,
                          0x01, 0, 0, 1, 1, 4, 0, 1, 0, 0, 0, 0x10, 0x01, 0, 0});
  const std::string tiffBe = "MM\0*"s + bytesOf({0, 0, 0, 8, 0, 2, 1, 1, 0, 3, 0, 0, 0, 1, 0,
                                                 5, 0, 0, 1, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 6});
  const std::pair<std::string, Header> cases[] = {
      {png, {Format::Png, Size{4000, 3000}}},
      {gif, {Format::Gif, Size{315, 272}}},
      {jpeg, {Format::Jpeg, Size{4000, 3000}}},
      {jpegTable, {Format::Jpeg, Size{30, 20}}},
      {bmp, {Format::Bmp, Size{16, 16}}},  // a negative height: rows from the top
      {os2, {Format::Bmp, Size{7, 9}}},
      {tiffLe, {Format::Tiff, Size{320, 272}}},
      {tiffBe, {Format::Tiff, Size{6, 5}}},
      // Cut short, or naming no size: the format is known, its size is not.
      {png.substr(0, 23), {Format::Png, std::nullopt}},
      {gif.substr(0, 9), {Format::Gif, std::nullopt}},
      {"GIF89a" + bytesOf({0, 0, 5, 0}), {Format::Gif, std::nullopt}},
      {jpeg.substr(0, 15), {Format::Jpeg, std::nullopt}},
      {bytesOf({0xFF, 0xD8, 0xFF, 0xDA, 0, 2}),
       {Format::Jpeg, std::nullopt}},  // a scan before any frame
      {bytesOf({0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0, 0, 0, 30}),
       {Format::Jpeg, std::nullopt}},  // the height comes later
      {bytesOf({0xFF, 0xD8, 0xFF, 0xE1, 0, 1}),
       {Format::Jpeg, std::nullopt}},  // a segment shorter than its length
      {bmp.substr(0, 25), {Format::Bmp, std::nullopt}},
      {tiffLe.substr(0, 20), {Format::Tiff, std::nullopt}},
      {"II*\0"s + bytesOf({0xFF, 0xFF, 0xFF, 0xFF}), {Format::Tiff, std::nullopt}},
      // Not one of them.
      {"BMW — марка машины, а не рисунок", {}},
      {"", {}},
      {"RIFF\x10\0\0\0WEBPVP8 ", {}},
  };
  for (const auto& [bytes, expected] : cases) {
    const Header h = readHeader(bytes);
    EXPECT_EQ(h.format, expected.format) << ::testing::PrintToString(bytes);
    EXPECT_EQ(h.size, expected.size) << ::testing::PrintToString(bytes);
  }

  // The clipboard's bitmaps of Windows (a file's bytes after its own 14) made files again: the
  // file's header points at the rows, past the masks of a plain header with bit fields and past
  // the colours (as many as named, or as the bits name when none are).
  const std::string file = support::bmpBytes(solidImage(5, 3, {1, 2, 3}));
  EXPECT_EQ(bmpFileOf(file.substr(14)), file);
  const auto rowsAt = [](const std::string& dib) {
    const std::optional<std::string> made = bmpFileOf(dib);
    if (!made) return -1;
    EXPECT_EQ(made->substr(0, 2), "BM");
    EXPECT_EQ(made->substr(14), dib);
    return static_cast<int>(readHeader(*made).size ? static_cast<unsigned char>((*made)[10]) | static_cast<unsigned char>((*made)[11]) << 8 : -2);
  };
  const auto dib = [](int header, int width, int height, int bits, int compression, int used, std::size_t size) {
    std::string out(size, '\0');
    const auto put = [&](std::size_t at, std::uint32_t v, int n) {
      for (int i = 0; i < n; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i) & 0xFF);
    };
    put(0, static_cast<std::uint32_t>(header), 4);
    put(4, static_cast<std::uint32_t>(width), 4);
    put(8, static_cast<std::uint32_t>(height), 4);
    put(12, 1, 2);
    put(14, static_cast<std::uint32_t>(bits), 2);
    put(16, static_cast<std::uint32_t>(compression), 4);
    put(32, static_cast<std::uint32_t>(used), 4);
    return out;
  };
  EXPECT_EQ(rowsAt(dib(40, 4, 4, 32, 3, 0, 40 + 12 + 64)), 14 + 40 + 12);   // masks after the header
  EXPECT_EQ(rowsAt(dib(124, 4, -4, 32, 3, 0, 124 + 64)), 14 + 124);        // V5: masks inside
  EXPECT_EQ(rowsAt(dib(40, 4, 4, 8, 0, 0, 40 + 1024 + 16)), 14 + 40 + 1024);
  EXPECT_EQ(rowsAt(dib(40, 4, 4, 8, 0, 16, 40 + 64 + 16)), 14 + 40 + 64);
  EXPECT_EQ(rowsAt(dib(40, 4, 4, 24, 0, 0, 40 + 48)), 14 + 40);
  // Cut short, or no bitmap: nothing.
  EXPECT_EQ(rowsAt(dib(40, 4, 4, 8, 0, 0, 40 + 1000)), -1);
  EXPECT_EQ(rowsAt(dib(40, 4, 4, 32, 0, 0, 39)), -1);
  EXPECT_EQ(rowsAt(dib(40, 0, 4, 32, 0, 0, 100)), -1);
  EXPECT_EQ(rowsAt(dib(40, 4, 4, 7, 0, 0, 100)), -1);
  EXPECT_EQ(rowsAt(dib(40, 4, 4, 4, 0, 17, 200)), -1);
  EXPECT_EQ(rowsAt(dib(200, 4, 4, 32, 0, 0, 100)), -1);
}

TEST(PictureFit, SizesAndPlacesOfWideTallTinyAndExactImages) {
  struct Case {
    Size image;
    bool enlarge;
    Size fitted;
  };
  const Case cases[] = {
      {{4000, 3000}, false, {315, 236}},  // a photo: as wide as the box, 3000·315/4000 = 236.25
      {{3000, 4000}, false, {204, 272}},  // upright: as high as the box, 3000·272/4000 = 204
      {{1920, 1080}, false, {315, 177}},  // a screenshot, 177.19
      {{630, 544}, false, {315, 272}},    // twice the box
      {{315, 272}, false, {315, 272}},    // exactly the box
      {{316, 272}, false, {315, 271}},    // a pixel too wide: 271.14
      {{20, 10}, false, {20, 10}},        // tiny: its own size
      {{20, 10}, true, {315, 158}},       // tiny, enlarged: 157.5 rounds up
      {{300, 272}, true, {300, 272}},     // as high as the box already
      {{100000, 1}, false, {315, 1}},     // a hair: never less than a pixel
      {{1, 100000}, false, {1, 272}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.image) + (c.enlarge ? " enlarged" : ""));
    EXPECT_EQ(fittedSize(c.image, {kWidth, kHeight, c.enlarge}), c.fitted);
    // One colour stays exactly that colour, whatever the filter, centred on white.
    if (c.image.pixels() > 20'000'000) continue;
    const Rgb colour{10, 200, 77};
    const Image out =
        fitted(solidImage(c.image.width, c.image.height, colour), {kWidth, kHeight, c.enlarge});
    ASSERT_EQ(out.width, kWidth);
    ASSERT_EQ(out.height, kHeight);
    const int left = (kWidth - c.fitted.width) / 2, top = (kHeight - c.fitted.height) / 2;
    int wrong = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const bool inside =
            x >= left && x < left + c.fitted.width && y >= top && y < top + c.fitted.height;
        wrong += pixelAt(out, x, y) != (inside ? colour : Rgb{255, 255, 255}) ||
                 out.rgba[(y * kWidth + x) * 4 + 3] != 255;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// What each filter makes of known pixels, and transparency laid over white.
TEST(PictureFit, AreasAveragedBilinearWhenLargerAndAlphaOverWhite) {
  const auto row = [](std::initializer_list<std::uint8_t> values) {
    Image image{static_cast<int>(values.size()), 1, {}};
    for (std::uint8_t v : values) image.rgba.insert(image.rgba.end(), {v, v, v, 255});
    return image;
  };
  const auto values = [](const Image& image) {
    std::vector<int> out;
    for (int x = 0; x < image.width; ++x) out.push_back(pixelAt(image, x, 0)[0]);
    return out;
  };
  // Three pixels into two: each covers one and a half, (0 + 90/2)/1.5 and (90/2 + 180)/1.5.
  EXPECT_EQ(values(fitted(row({0, 90, 180}), {2, 1})), (std::vector<int>{30, 150}));
  // Two into four, enlarged: the centres of the new pixels fall a quarter and three quarters of
  // the way, and the edges repeat the edge pixels.
  EXPECT_EQ(values(fitted(row({0, 255}), {4, 2, true})), (std::vector<int>{0, 64, 191, 255}));
  // Columns black and white in turn, halved: every pixel the grey between them, never one of the
  // two (as sampling instead of averaging would give).
  const Image stripes = paintedImage(630, 544, [](int x, int) {
    return x % 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
  });
  const Image halved = fitted(stripes);
  std::set<Rgb> greys;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) greys.insert(pixelAt(halved, x, y));
  }
  EXPECT_EQ(greys, (std::set<Rgb>{{128, 128, 128}}));
  // Transparent is white, half transparent half the way to white, opaque unchanged; averaged
  // after it is laid over white, so that a transparent neighbour whitens, never blackens.
  Image alpha = row({0, 0, 0, 200});
  alpha.rgba[3] = 0, alpha.rgba[7] = 128;
  alpha.rgba[8] = 40, alpha.rgba[9] = 100;
  const Image over = fitted(alpha, {4, 1});
  EXPECT_EQ(pixelAt(over, 0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(pixelAt(over, 1, 0), (Rgb{127, 127, 127}));
  EXPECT_EQ(pixelAt(over, 2, 0), (Rgb{40, 100, 0}));
  EXPECT_EQ(pixelAt(over, 3, 0), (Rgb{200, 200, 200}));
  EXPECT_EQ(values(fitted(alpha, {1, 1})), (std::vector<int>{(255 + 127 + 40 + 200 + 2) / 4}));
  EXPECT_THROW(fitted(Image{2, 2, std::vector<std::uint8_t>(15)}), std::invalid_argument);
}

TEST(PictureQuantizer, AnImageOfAtMost256ColoursKeepsThemExactly) {
  for (int colours : {1, 2, 3, 17, 256}) {
    SCOPED_TRACE(colours);
    // Colours scattered over the image, close to each other, as a drawing's anti-aliased edges.
    const Image image = paintedImage(97, 61, [&](int x, int y) {
      const int k = (x * 7 + y * 13) % colours;
      return Rgb{static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(255 - k),
                 static_cast<std::uint8_t>(k / 2)};
    });
    const Indexed q = quantized(image);
    ASSERT_EQ(q.palette.size(), static_cast<std::size_t>(colours));
    int wrong = 0;
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x)
        wrong += q.palette[q.pixels[static_cast<std::size_t>(y * image.width + x)]] !=
                 pixelAt(image, x, y);
    }
    EXPECT_EQ(wrong, 0);
  }
}

// The mean error of a photo's gradient of 315×272 (85 680 colours) made 256. Its colours fill a
// surface of the colour cube about 256 levels across in two directions: 256 boxes of it are about
// 16 levels on a side, so the nearest of their means lies at most some 8 levels off in a channel,
// 4 on average (measured: 4.1 without dithering), and dithering trades that for a pattern that
// averages back to the colour, adding noise to each pixel. Bounds: a pixel's mean error per
// channel below 6 levels (measured 5.3); in the blocks of 4×4 pixels the eye blends, below 1.5
// levels (measured 1.1; 3.4 without dithering, 1.9 with half the error diffused); over the whole
// picture, the mean colour within a level (measured 0.4 at most: the darkest and the lightest
// boxes' means lie inside the channel's ends, which the pixels at the ends cannot reach).
TEST(PictureQuantizer, APhotoLikeGradientStaysWithinItsErrorBounds) {
  const Image image = gradient(kWidth, kHeight);
  const Indexed q = quantized(image);
  ASSERT_EQ(q.palette.size(), 256u);
  double pixelError = 0, blockError = 0, sum[3] = {}, made[3] = {};
  int blocks = 0;
  for (int by = 0; by + 4 <= kHeight; by += 4) {
    for (int bx = 0; bx + 4 <= kWidth; bx += 4) {
      double want[3] = {}, got[3] = {};
      for (int y = by; y < by + 4; ++y) {
        for (int x = bx; x < bx + 4; ++x) {
          const Rgb a = pixelAt(image, x, y),
                    b = q.palette[q.pixels[static_cast<std::size_t>(y * kWidth + x)]];
          for (int c = 0; c < 3; ++c) {
            pixelError += std::abs(a[c] - b[c]);
            want[c] += a[c], got[c] += b[c];
          }
        }
      }
      for (int c = 0; c < 3; ++c) {
        blockError += std::abs(want[c] - got[c]) / 16;
        sum[c] += want[c], made[c] += got[c];
      }
      ++blocks;
    }
  }
  const double pixels = 16.0 * blocks;
  EXPECT_LT(pixelError / pixels / 3, 6.0);
  EXPECT_LT(blockError / blocks / 3, 1.5);
  for (int c = 0; c < 3; ++c)
    EXPECT_LT(std::abs(sum[c] - made[c]) / pixels, 1.0) << "channel " << c;
}

TEST(PictureGif, GiflibReadsBackThePixelsThePaletteAndNothingElse) {
  const Image few = paintedImage(40, 30, [](int x, int y) {
    return (x + y) % 3 ? Rgb{250, 0, 0} : Rgb{0, 0, 250};
  });
  const Image three = paintedImage(5, 4, [](int x, int) {
    return Rgb{static_cast<std::uint8_t>(x % 3 * 100), 7, 9};
  });
  const Image many = gradient(kWidth, kHeight);
  for (const Image* image : {&few, &three, &many}) {
    const Indexed q = quantized(*image);
    const std::optional<support::ReadGif> read = support::readGif(gifBytes(q));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->version, "GIF87a");
    EXPECT_EQ(read->width, image->width);
    EXPECT_EQ(read->height, image->height);
    EXPECT_EQ(read->images, 1);
    EXPECT_EQ(read->extensions, 0);  // no transparency, no comment
    EXPECT_FALSE(read->localTable);
    EXPECT_FALSE(read->interlaced);
    EXPECT_EQ(read->left + read->top, 0);
    // The table's size a power of two, at least the palette's and at most twice it.
    const int n = static_cast<int>(q.palette.size());
    EXPECT_EQ(read->colours & (read->colours - 1), 0);
    EXPECT_GE(read->colours, std::max(2, n));
    EXPECT_LT(read->colours, 2 * std::max(2, n));
    ASSERT_EQ(read->image.width, image->width);
    int wrong = 0;
    for (std::size_t i = 0; i < q.pixels.size(); ++i) {
      const int x = static_cast<int>(i) % image->width, y = static_cast<int>(i) / image->width;
      wrong += pixelAt(read->image, x, y) != q.palette[q.pixels[i]];
    }
    EXPECT_EQ(wrong, 0);
  }
  // Of few colours, the image itself comes back.
  const std::optional<support::ReadGif> back = support::readGif(gifBytes(quantized(few)));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->image.rgba, few.rgba);
  EXPECT_THROW(gifBytes(Indexed{2, 1, {{0, 0, 0}}, {0, 1}}), std::invalid_argument);
}

// The whole path from a file's bytes, and everything it refuses before it decodes or writes.
TEST(PictureFromFile, MadeWhenAnImageAndRefusedInRussianOtherwise) {
  support::TestDecoder decoder;
  const Image photo = gradient(1200, 900);
  const std::string name = "C:/Фото/снимок.bmp";

  const Made made = makePicture(&decoder, support::bmpBytes(photo), name);
  ASSERT_TRUE(made.gif.has_value()) << made.problem;
  const std::optional<support::ReadGif> read = support::readGif(*made.gif);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ((Size{read->width, read->height}), (Size{kWidth, kHeight}));
  // 1200×900 fills the width: 236 rows, 18 white rows above them.
  EXPECT_EQ(pixelAt(read->image, 100, 17), (Rgb{255, 255, 255}));
  EXPECT_NE(pixelAt(read->image, 100, 18), (Rgb{255, 255, 255}));
  EXPECT_EQ(decoder.decoded, 1);

  // A format no header reader knows, sized by the decoder.
  const Image small = solidImage(30, 20, {1, 2, 3});
  ASSERT_TRUE(makePicture(&decoder, support::rawBytes(small), name).gif.has_value());
  EXPECT_EQ(makePicture(small, name).gif,
            makePicture(&decoder, support::rawBytes(small), name).gif);

  struct Refused {
    std::string bytes;
    const char* says;
    bool decodes;
  };
  const std::string bmp = support::bmpBytes(small);
  const Refused refused[] = {
      {"", "пуст", false},
      {"просто текст, не рисунок", "не рисунок", false},
      {bmp.substr(0, 20), "повреждён", false},             // its header cut short
      {bmp.substr(0, bmp.size() - 1), "повреждён", true},  // its pixels cut short
      {support::bmpBytes(small, Size{10000, 6000}), "60 мегапикселей",
       false},  // a header too large: never decoded
      {support::rawBytes(small, Size{8000, 7000}), "56 мегапикселей", false},
      {support::rawBytes(small, Size{3, 2}), "повреждён",
       true},  // the decoder gives more than it said
  };
  for (const Refused& r : refused) {
    SCOPED_TRACE(r.says);
    decoder.decoded = 0;
    const Made m = makePicture(&decoder, r.bytes, name);
    EXPECT_FALSE(m.gif.has_value());
    EXPECT_NE(m.problem.find("«" + name + "»"), std::string::npos) << m.problem;
    EXPECT_NE(m.problem.find(r.says), std::string::npos) << m.problem;
    EXPECT_EQ(decoder.decoded, r.decodes ? 1 : 0);
  }
  EXPECT_FALSE(makePicture(nullptr, bmp, name).gif.has_value());
  EXPECT_NE(makePicture(Image{8000, 7000, {}}, name).problem.find("повреждён"), std::string::npos);
}

}  // namespace
}  // namespace pictures
