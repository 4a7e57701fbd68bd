#include "qt/Icon.h"

#include <QBitmap>
#include <QPixmap>

#include "window/Icon.h"

namespace qt {

using window::kIconSize;

QImage iconImage() {
  QImage image(kIconSize, kIconSize, QImage::Format_Indexed8);
  image.setColorTable(QList<QRgb>(std::begin(window::kIconPalette), std::end(window::kIconPalette)));
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) image.setPixel(x, y, static_cast<uint>(window::iconPixel(x, y)));
  }
  return image;
}

QBitmap iconMask() {
  QImage mask(kIconSize, kIconSize, QImage::Format_MonoLSB);
  mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) mask.setPixel(x, y, window::iconOpaque(x, y) ? 1 : 0);
  }
  return QBitmap::fromImage(mask);
}

QIcon editorIcon() {
  QPixmap pixmap = QPixmap::fromImage(iconImage());
  pixmap.setMask(iconMask());
  return QIcon(pixmap);
}

}  // namespace qt
