#include "pictures/Scale.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <stdexcept>
#include <vector>

namespace pictures {

namespace {

// Which source pixels along one axis make one pixel of the result, with integer weights over a
// common denominator: `first` weighs wFirst, `last` (when another) wLast, those between wMiddle.
struct Span {
  int first = 0, last = 0;
  std::uint64_t wFirst = 1, wMiddle = 0, wLast = 0;
};
struct Axis {
  std::vector<Span> spans;
  std::uint64_t denominator = 1;
};

Axis axis(int source, int result) {
  Axis a;
  a.spans.resize(static_cast<std::size_t>(result));
  const auto src = static_cast<std::uint64_t>(source), dst = static_cast<std::uint64_t>(result);
  if (result == source) {
    for (int j = 0; j < result; ++j) a.spans[static_cast<std::size_t>(j)] = {j, j, 1, 0, 0};
  } else if (result < source) {
    // Pixel j covers [j·src, (j+1)·src) in units of 1/dst of a source pixel, and source pixel i
    // covers [i·dst, (i+1)·dst): the weights are the overlaps, summing to src.
    a.denominator = src;
    for (std::uint64_t j = 0; j < dst; ++j) {
      const std::uint64_t lo = j * src, hi = (j + 1) * src;
      Span& s = a.spans[static_cast<std::size_t>(j)];
      s.first = static_cast<int>(lo / dst);
      s.last = static_cast<int>((hi - 1) / dst);
      if (s.first == s.last) {
        s.wFirst = src;
      } else {
        s.wFirst = (static_cast<std::uint64_t>(s.first) + 1) * dst - lo;
        s.wMiddle = dst;
        s.wLast = hi - static_cast<std::uint64_t>(s.last) * dst;
      }
    }
  } else {
    // The centre of pixel j lies at ((2j+1)·src − dst) / (2·dst) in source pixels, between two
    // source pixels' centres; the edges repeat the edge pixels.
    a.denominator = 2 * dst;
    for (std::uint64_t j = 0; j < dst; ++j) {
      Span& s = a.spans[static_cast<std::size_t>(j)];
      const std::uint64_t at = (2 * j + 1) * src;
      if (at <= dst) {
        s = {0, 0, 2 * dst, 0, 0};
        continue;
      }
      const std::uint64_t x = at - dst, i = x / (2 * dst), f = x % (2 * dst);
      if (i + 1 >= src || f == 0) {
        const int k = static_cast<int>(std::min(i, src - 1));
        s = {k, k, 2 * dst, 0, 0};
      } else {
        s = {static_cast<int>(i), static_cast<int>(i) + 1, 2 * dst - f, 0, f};
      }
    }
  }
  return a;
}

// The weighted sums of a span of pixels of three values each.
void weigh(const Span& s, const std::uint32_t* values, std::uint64_t* sums) {
  for (std::size_t c = 0; c < 3; ++c) {
    std::uint64_t sum = s.wFirst * values[static_cast<std::size_t>(s.first) * 3 + c];
    if (s.last != s.first) {
      for (int k = s.first + 1; k < s.last; ++k)
        sum += s.wMiddle * values[static_cast<std::size_t>(k) * 3 + c];
      sum += s.wLast * values[static_cast<std::size_t>(s.last) * 3 + c];
    }
    sums[c] = sum;
  }
}

}  // namespace

Size fittedSize(Size image, const Fit& fit) {
  const std::int64_t w = image.width, h = image.height, W = fit.width, H = fit.height;
  if (!fit.enlarge && w <= W && h <= H) return image;
  const auto clamp = [](std::int64_t v, std::int64_t most) {
    return static_cast<int>(std::clamp<std::int64_t>(v, 1, most));
  };
  if (w * H >= h * W)
    return {fit.width, clamp((2 * h * W + w) / (2 * w), H)};  // as wide as the box
  return {clamp((2 * w * H + h) / (2 * h), W), fit.height};
}

Image fitted(const Image& image, const Fit& fit) {
  if (!image.whole() || std::int64_t{image.width} * image.height > kMaxPixels) {
    throw std::invalid_argument("fitted: an image whose sizes and pixels disagree, or too large");
  }
  if (fit.width < 1 || fit.height < 1 || fit.width > 4096 || fit.height > 4096) {
    throw std::invalid_argument("fitted: a box of no size, or too large");
  }
  const Size size = fittedSize({image.width, image.height}, fit);
  const Axis across = axis(image.width, size.width), down = axis(image.height, size.height);
  // Every sum stays below 2^64: a value laid over white is at most 255·255, the weights of a
  // pixel sum to its axis's denominator (the source's size, or twice the result's), and the two
  // denominators multiply to at most 2·4096·kMaxPixels.
  const std::uint64_t denominator = across.denominator * down.denominator * 255;

  Image out{
      fit.width, fit.height,
      std::vector<std::uint8_t>(
          static_cast<std::size_t>(fit.width) * static_cast<std::size_t>(fit.height) * 4, 255)};
  const int left = (fit.width - size.width) / 2, top = (fit.height - size.height) / 2;

  // A source row laid over white (each value times 255), then scaled across; the rows a result
  // row needs are kept until no later one needs them.
  const auto width = static_cast<std::size_t>(image.width);
  std::vector<std::uint32_t> opaque(width * 3);
  const auto acrossRow = [&](int row) {
    const std::uint8_t* p = image.rgba.data() + static_cast<std::size_t>(row) * width * 4;
    for (std::size_t x = 0; x < width; ++x, p += 4) {
      const std::uint32_t alpha = p[3], white = 255 * (255 - alpha);
      for (std::size_t c = 0; c < 3; ++c) opaque[x * 3 + c] = p[c] * alpha + white;
    }
    std::vector<std::uint64_t> scaled(static_cast<std::size_t>(size.width) * 3);
    for (std::size_t j = 0; j < across.spans.size(); ++j)
      weigh(across.spans[j], opaque.data(), &scaled[j * 3]);
    return scaled;
  };
  std::deque<std::vector<std::uint64_t>> rows;
  int firstRow = 0;
  std::vector<std::uint64_t> sums(static_cast<std::size_t>(size.width) * 3);
  for (int y = 0; y < size.height; ++y) {
    const Span& s = down.spans[static_cast<std::size_t>(y)];
    for (; firstRow < s.first; ++firstRow) {
      if (!rows.empty()) rows.pop_front();
    }
    while (firstRow + static_cast<int>(rows.size()) <= s.last)
      rows.push_back(acrossRow(firstRow + static_cast<int>(rows.size())));
    const auto add = [&](int row, std::uint64_t weight) {
      const std::vector<std::uint64_t>& values = rows[static_cast<std::size_t>(row - firstRow)];
      for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += weight * values[i];
    };
    std::fill(sums.begin(), sums.end(), 0);
    add(s.first, s.wFirst);
    if (s.last != s.first) {
      for (int k = s.first + 1; k < s.last; ++k) add(k, s.wMiddle);
      add(s.last, s.wLast);
    }
    std::uint8_t* target =
        out.rgba.data() + (static_cast<std::size_t>(top + y) * static_cast<std::size_t>(fit.width) +
                           static_cast<std::size_t>(left)) *
                              4;
    for (std::size_t x = 0; x < static_cast<std::size_t>(size.width); ++x, target += 4) {
      for (std::size_t c = 0; c < 3; ++c) {
        target[c] = static_cast<std::uint8_t>(
            std::min<std::uint64_t>(255, (sums[x * 3 + c] + denominator / 2) / denominator));
      }
    }
  }
  return out;
}

}  // namespace pictures
