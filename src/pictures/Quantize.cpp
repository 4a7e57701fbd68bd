#include "pictures/Quantize.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace pictures {

namespace {

std::uint32_t key(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}
Rgb rgbOf(std::uint32_t k) {
  return {static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 8),
          static_cast<std::uint8_t>(k)};
}

// A colour of the image and how many pixels have it.
struct Colour {
  Rgb rgb;
  std::uint32_t key;
  std::uint64_t count;
};

// A box of the median cut: colours [begin, end) of the list, their pixels, the squared error of
// the box about its mean, and the channel along which they spread most.
struct Box {
  std::size_t begin = 0, end = 0;
  std::uint64_t count = 0, error = 0;
  std::size_t widest = 0;
  Rgb mean{};
};

Box boxOf(const std::vector<Colour>& colours, std::size_t begin, std::size_t end) {
  Box box{begin, end};
  std::uint64_t sum[3] = {}, squares[3] = {};
  for (std::size_t i = begin; i < end; ++i) {
    const Colour& c = colours[i];
    box.count += c.count;
    for (std::size_t k = 0; k < 3; ++k) {
      sum[k] += c.count * c.rgb[k];
      squares[k] += c.count * c.rgb[k] * c.rgb[k];
    }
  }
  std::uint64_t widest = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    box.mean[k] = static_cast<std::uint8_t>((sum[k] + box.count / 2) / box.count);
    // The squared error about the mean, Σn·x² − (Σn·x)²/N, computed as Σn·x² − ⌊Σn·x/N⌋·Σn·x
    // (never negative, and within 2^64 for 2^24 pixels).
    const std::uint64_t spread = squares[k] - (sum[k] / box.count) * sum[k];
    box.error += spread;
    if (spread > widest) {
      widest = spread;
      box.widest = k;
    }
  }
  return box;
}

std::vector<Rgb> medianCut(std::vector<Colour>& colours, std::size_t most) {
  std::vector<Box> boxes{boxOf(colours, 0, colours.size())};
  while (boxes.size() < most) {
    // The box that errs most, of those with two colours or more.
    Box* cut = nullptr;
    for (Box& b : boxes) {
      if (b.end - b.begin >= 2 && (cut == nullptr || b.error > cut->error)) cut = &b;
    }
    if (cut == nullptr) break;
    const std::size_t k = cut->widest, begin = cut->begin, end = cut->end;
    std::sort(colours.begin() + static_cast<std::ptrdiff_t>(begin),
              colours.begin() + static_cast<std::ptrdiff_t>(end),
              [k](const Colour& a, const Colour& b) {
                return a.rgb[k] != b.rgb[k] ? a.rgb[k] < b.rgb[k] : a.key < b.key;
              });
    // The median by pixels: the first colour at which half of the box's pixels are counted ends
    // the lower box; each keeps one colour at least.
    std::uint64_t counted = 0;
    std::size_t middle = begin + 1;
    for (std::size_t i = begin; i < end; ++i) {
      counted += colours[i].count;
      if (2 * counted >= cut->count) {
        middle = i + 1;
        break;
      }
    }
    middle = std::clamp(middle, begin + 1, end - 1);
    *cut = boxOf(colours, begin, middle);
    boxes.push_back(boxOf(colours, middle, end));
  }
  std::vector<Rgb> palette;
  for (const Box& b : boxes) palette.push_back(b.mean);
  return palette;
}

// The nearest colour of a palette by squared distance, looked up among its colours sorted by
// green from the one nearest in green outwards, until green alone is farther than the best.
class Nearest {
 public:
  explicit Nearest(const std::vector<Rgb>& palette) : palette_(palette) {
    for (std::size_t i = 0; i < palette.size(); ++i) order_.push_back(static_cast<std::uint8_t>(i));
    std::sort(order_.begin(), order_.end(), [&](std::uint8_t a, std::uint8_t b) {
      return palette[a][1] != palette[b][1] ? palette[a][1] < palette[b][1] : a < b;
    });
  }
  std::uint8_t operator()(const int rgb[3]) const {
    const auto from = std::lower_bound(order_.begin(), order_.end(), rgb[1],
                                       [&](std::uint8_t i, int g) { return palette_[i][1] < g; });
    int best = -1;
    std::uint8_t found = 0;
    const auto consider = [&](std::uint8_t i) {
      const Rgb& p = palette_[i];
      const int dg = p[1] - rgb[1];
      if (best >= 0 && dg * dg > best) return false;
      const int dr = p[0] - rgb[0], db = p[2] - rgb[2];
      const int d = dr * dr + dg * dg + db * db;
      if (best < 0 || d < best || (d == best && i < found)) {
        best = d;
        found = i;
      }
      return true;
    };
    for (auto up = from; up != order_.end() && consider(*up); ++up) {
    }
    for (auto down = from; down != order_.begin() && consider(*(down - 1)); --down) {
    }
    return found;
  }

 private:
  const std::vector<Rgb>& palette_;
  std::vector<std::uint8_t> order_;
};

}  // namespace

Indexed quantized(const Image& image) {
  if (!image.whole() || std::int64_t{image.width} * image.height > (std::int64_t{1} << 24)) {
    throw std::invalid_argument(
        "quantized: an image whose sizes and pixels disagree, or too large");
  }
  Indexed out{image.width, image.height, {}, {}};
  const std::size_t n = image.rgba.size() / 4;
  out.pixels.resize(n);

  std::vector<std::uint32_t> keys(n);
  for (std::size_t i = 0; i < n; ++i) keys[i] = key(&image.rgba[i * 4]);
  std::vector<std::uint32_t> sorted = keys;
  std::sort(sorted.begin(), sorted.end());
  std::vector<Colour> colours;
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i;
    while (j < n && sorted[j] == sorted[i]) ++j;
    colours.push_back({rgbOf(sorted[i]), sorted[i], j - i});
    i = j;
  }

  if (colours.size() <= 256) {
    // Its own colours, each pixel the index of its own.
    std::vector<std::uint32_t> own;
    for (const Colour& c : colours) {
      out.palette.push_back(c.rgb);
      own.push_back(c.key);
    }
    for (std::size_t i = 0; i < n; ++i) {
      out.pixels[i] = static_cast<std::uint8_t>(std::lower_bound(own.begin(), own.end(), keys[i]) -
                                                own.begin());
    }
    return out;
  }

  out.palette = medianCut(colours, 256);
  const Nearest nearest(out.palette);
  // Floyd–Steinberg: each pixel's error (in sixteenths of a level) goes 7/16 to the next pixel
  // of its row, 3/16, 5/16 and 1/16 to the three below it; rows alternate their direction. The
  // wanted colour is held within the channel's range, so that errors never pile up.
  const auto width = static_cast<std::size_t>(image.width);
  std::vector<int> here((width + 2) * 3, 0), below((width + 2) * 3, 0);
  for (std::size_t y = 0; y < static_cast<std::size_t>(image.height); ++y) {
    const bool rightward = y % 2 == 0;
    std::fill(below.begin(), below.end(), 0);
    for (std::size_t step = 0; step < width; ++step) {
      const std::size_t x = rightward ? step : width - 1 - step;
      const std::size_t i = y * width + x;
      const std::size_t at = (x + 1) * 3;  // one slot of room on either side
      int wanted16[3], wanted[3];
      for (std::size_t c = 0; c < 3; ++c) {
        wanted16[c] = std::clamp(image.rgba[i * 4 + c] * 16 + here[at + c], 0, 255 * 16);
        wanted[c] = (wanted16[c] + 8) / 16;
      }
      const std::uint8_t index = nearest(wanted);
      out.pixels[i] = index;
      const std::size_t ahead = rightward ? at + 3 : at - 3, behind = rightward ? at - 3 : at + 3;
      for (std::size_t c = 0; c < 3; ++c) {
        const int error = wanted16[c] - out.palette[index][c] * 16;
        const int right = error * 7 / 16, left = error * 3 / 16, under = error * 5 / 16;
        here[ahead + c] += right;
        below[behind + c] += left;
        below[at + c] += under;
        below[ahead + c] += error - right - left - under;  // the 1/16 and what the divisions left
      }
    }
    std::swap(here, below);
  }
  return out;
}

}  // namespace pictures
