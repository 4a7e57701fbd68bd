// The pictures against Qt's own image readers and writers: the GIF the core writes read by Qt
// to the same pixels giflib reads, and the sizes the core reads from headers the same as Qt's
// readers find in the files Qt writes.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include "pictures/Header.h"
#include "pictures/Picture.h"
#include "support/Pictures.h"

namespace {

QByteArray bytesOf(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

TEST(PictureFormats, QtReadsTheGifAsGiflibDoesAndFindsTheSizesTheHeadersGive) {
  const pictures::Image drawing = support::paintedImage(200, 100, [](int x, int y) {
    return (x / 10 + y / 10) % 2 ? pictures::Rgb{200, 30, 30} : pictures::Rgb{20, 20, 220};
  });
  const pictures::Image photo = support::paintedImage(900, 700, [](int x, int y) {
    return pictures::Rgb{static_cast<std::uint8_t>(x * 255 / 899),
                         static_cast<std::uint8_t>(y * 255 / 699), 128};
  });
  for (const pictures::Image* image : {&drawing, &photo}) {
    const std::string gif = pictures::makeGif(*image);
    const std::optional<support::ReadGif> giflib = support::readGif(gif);
    ASSERT_TRUE(giflib.has_value());
    const QImage qt = QImage::fromData(bytesOf(gif), "GIF").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(qt.size(), QSize(pictures::kWidth, pictures::kHeight));
    int wrong = 0;
    for (int y = 0; y < qt.height(); ++y) {
      for (int x = 0; x < qt.width(); ++x) {
        const QRgb p = qt.pixel(x, y);
        wrong += pictures::Rgb{
                     static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
                     static_cast<std::uint8_t>(qBlue(p))} != support::pixelAt(giflib->image, x, y);
      }
    }
    EXPECT_EQ(wrong, 0);
  }

  // Each format Qt writes here, at a size of its own: the header gives Qt's size.
  QImage source(317, 211, QImage::Format_RGB32);
  source.fill(Qt::darkCyan);
  const auto formats = QImageWriter::supportedImageFormats();
  int checked = 0;
  for (const char* format : {"PNG", "JPEG", "BMP", "GIF", "TIFF"}) {
    if (!formats.contains(QByteArray(format).toLower())) continue;
    SCOPED_TRACE(format);
    QByteArray written;
    QBuffer buffer(&written);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    if (!source.save(&buffer, format)) continue;  // a format Qt reads but does not write
    const pictures::Header header = pictures::readHeader(
        std::string_view(written.constData(), static_cast<std::size_t>(written.size())));
    QBuffer readBack(&written);
    const QSize size = QImageReader(&readBack, format).size();
    ASSERT_TRUE(header.size.has_value());
    EXPECT_EQ(QSize(header.size->width, header.size->height), size);
    ++checked;
  }
  EXPECT_GE(checked, 3) << "PNG, JPEG and BMP at least";
}

}  // namespace
