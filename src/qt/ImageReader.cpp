#include "qt/ImageReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cstring>
#include <utility>

namespace qt {

namespace {

// The bytes read where they lie, without a copy.
QByteArray viewOf(std::string_view bytes) {
  return QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The largest image the editor takes (pictures::kMaxPixels) is 200 MB decoded; the toolkit's own
// limit (128 MB) would refuse it. The editor has refused anything larger by its size before.
constexpr int kAllocationLimitMb = 256;

}  // namespace

std::optional<pictures::Size> ImageReader::size(std::string_view bytes) {
  QByteArray data = viewOf(bytes);
  QBuffer buffer(&data);
  if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
  QImageReader reader(&buffer);
  const QSize size = reader.size();
  if (!reader.canRead() || !size.isValid() || size.isEmpty()) return std::nullopt;
  return pictures::Size{size.width(), size.height()};
}

std::optional<pictures::Image> ImageReader::decode(std::string_view bytes) {
  QByteArray data = viewOf(bytes);
  QBuffer buffer(&data);
  if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
  if (QImageReader::allocationLimit() < kAllocationLimitMb)
    QImageReader::setAllocationLimit(kAllocationLimitMb);
  QImageReader reader(&buffer);
  reader.setAutoTransform(true);
  QImage image;
  // The first frame of an animation; a file cut short or damaged gives none.
  if (!reader.read(&image)) return std::nullopt;
  return imageOf(std::move(image));
}

std::optional<pictures::Image> imageOf(QImage image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return std::nullopt;
  // In place where the toolkit can (32 bits a pixel already), so that a large photo is not held
  // three times over.
  image.convertTo(QImage::Format_RGBA8888);
  if (image.isNull()) return std::nullopt;
  pictures::Image out;
  out.width = image.width();
  out.height = image.height();
  const std::size_t row = static_cast<std::size_t>(out.width) * 4;
  out.rgba.resize(row * static_cast<std::size_t>(out.height));
  for (int y = 0; y < out.height; ++y) {
    std::memcpy(out.rgba.data() + row * static_cast<std::size_t>(y), image.constScanLine(y), row);
  }
  return out;
}

std::optional<pictures::Image> clipboardImage() {
  const QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return std::nullopt;
  return imageOf(clipboard->image());
}

}  // namespace qt
