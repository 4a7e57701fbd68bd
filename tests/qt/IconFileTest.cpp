// The Windows program's icon file, as the build writes it, against the Qt window's icon: the
// same 16 x 16 pixels, palette and mask.

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "qt/Icon.h"

namespace {

TEST(IconFile, HoldsTheWindowIconsPixelsAndMask) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath("editor.ico");
  ASSERT_EQ(QProcess::execute(QStringLiteral(MAKE_ICON_PATH), {file}), 0);

  QImage written(file, "ICO");
  ASSERT_FALSE(written.isNull());
  ASSERT_EQ(written.size(), QSize(16, 16));
  written = written.convertToFormat(QImage::Format_ARGB32);
  const QImage expected = qt::iconImage().convertToFormat(QImage::Format_ARGB32);
  const QImage mask = qt::iconMask().toImage();
  int opaque = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool onSheet = mask.pixelIndex(x, y) == 1;
      const QRgb pixel = written.pixel(x, y);
      if (onSheet) {
        ++opaque;
        EXPECT_EQ(pixel, expected.pixel(x, y)) << "pixel " << x << "," << y;
      } else {
        EXPECT_EQ(qAlpha(pixel), 0) << "pixel " << x << "," << y;
      }
    }
  }
  EXPECT_GT(opaque, 150);
}

}  // namespace
