// Times a question's picture made from images a teacher brings: a photo of 12 megapixels, a
// screenshot of few colours, and the largest image taken (50 megapixels). Each is scaled into the
// question's box, quantized and written as GIF, each part and the whole timed; the medians of
// several runs are printed. The decoding is the system's (the program's decoder), not timed here.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "pictures/Gif.h"
#include "pictures/Quantize.h"
#include "pictures/Scale.h"

namespace {

using Clock = std::chrono::steady_clock;

pictures::Image painted(int width, int height,
                        const std::function<pictures::Rgb(int, int)>& paint) {
  pictures::Image image{
      width, height,
      std::vector<std::uint8_t>(
          static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 255)};
  std::uint8_t* p = image.rgba.data();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, p += 4) {
      const pictures::Rgb rgb = paint(x, y);
      p[0] = rgb[0], p[1] = rgb[1], p[2] = rgb[2];
    }
  }
  return image;
}

// A photo: smooth light over the whole frame, with the grain of a sensor on top of it.
pictures::Image photo(int width, int height) {
  std::uint32_t seed = 12345;
  return painted(width, height, [&](int x, int y) {
    seed = seed * 1664525u + 1013904223u;
    const int grain = static_cast<int>(seed >> 28) - 8;
    const auto level = [&](long v) {
      return static_cast<std::uint8_t>(std::clamp<long>(v + grain, 0, 255));
    };
    return pictures::Rgb{level(255L * x / width), level(255L * y / height),
                         level(128 + 100L * ((x / 97 + y / 89) % 3 - 1))};
  });
}

// A screenshot: a window's flat colours, a few dozen of them.
pictures::Image screenshot(int width, int height) {
  return painted(width, height, [](int x, int y) {
    const int k = (x / 40 + y / 24) % 24;
    return pictures::Rgb{static_cast<std::uint8_t>(k * 10), static_cast<std::uint8_t>(240 - k * 7),
                         static_cast<std::uint8_t>(200)};
  });
}

double ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  struct Case {
    const char* what;
    pictures::Image image;
  };
  std::printf(
      "== a question's picture from an image: scaled into 315x272, quantized to 256 colours, "
      "written as GIF "
      "(median of %d runs; the decoding is the system's and not timed here)\n",
      runs);
  std::printf("%-34s %10s %10s %10s %10s %10s\n", "image", "scale ms", "quantize", "GIF",
              "whole ms", "GIF bytes");
  const auto show = [&](const char* what, const pictures::Image& image) {
    std::vector<double> fit, quantize, write, whole;
    std::size_t bytes = 0;
    for (int i = 0; i < runs; ++i) {
      const auto t0 = Clock::now();
      const pictures::Image fitted = pictures::fitted(image);
      const auto t1 = Clock::now();
      const pictures::Indexed indexed = pictures::quantized(fitted);
      const auto t2 = Clock::now();
      const std::string gif = pictures::gifBytes(indexed);
      const auto t3 = Clock::now();
      fit.push_back(ms(t1 - t0));
      quantize.push_back(ms(t2 - t1));
      write.push_back(ms(t3 - t2));
      whole.push_back(ms(t3 - t0));
      bytes = gif.size();
    }
    std::printf("%-34s %10.1f %10.1f %10.1f %10.1f %10zu\n", what, median(fit), median(quantize),
                median(write), median(whole), bytes);
  };
  show("photo 4000x3000 (12 megapixels)", photo(4000, 3000));
  show("screenshot 1920x1080, 24 colours", screenshot(1920, 1080));
  show("photo 8160x6120 (50 megapixels)", photo(8160, 6120));
  return 0;
}
