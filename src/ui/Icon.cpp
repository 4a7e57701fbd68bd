#include "ui/Icon.h"

#include <QBitmap>
#include <QPixmap>

namespace ui {

namespace {

// The 16 colours of the standard palette, by index.
constexpr QRgb kPalette[16] = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF,
};

// '.' lies outside the sheet (masked); the other characters name palette entries:
// 'k' black, 'g' dark grey, 's' light grey, 'w' white, 'b' dark blue, 'r' red.
constexpr const char* kPixels[16] = {
    "..kkkkkkkkk.....",
    "..kwwwwwwwgk....",
    "..kwwwwwwwgsk...",
    "..kwbbbbwwgkkk..",
    "..kwwwwwwwwwsk..",
    "..kwbbbbbbwwsk..",
    "..kwwwwwwwwwrr..",
    "..kwbbbbbwwrrk..",
    "..kwwwwwwwrrsk..",
    "..krrwwwwrrwsk..",
    "..kwrrwwrrwwsk..",
    "..kwwrrrrwwwsk..",
    "..kwwwrrwwwwsk..",
    "..kwwwwwwwwwsk..",
    "..ksssssssssgk..",
    "..kkkkkkkkkkkk..",
};

int paletteIndex(char c) {
  switch (c) {
    case 'k': return 0;
    case 'b': return 4;
    case 's': return 7;
    case 'g': return 8;
    case 'r': return 9;
    case 'w': return 15;
    default: return 0;
  }
}

}  // namespace

QImage iconImage() {
  QImage image(16, 16, QImage::Format_Indexed8);
  image.setColorTable(QList<QRgb>(std::begin(kPalette), std::end(kPalette)));
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) image.setPixel(x, y, static_cast<uint>(paletteIndex(kPixels[y][x])));
  }
  return image;
}

QBitmap iconMask() {
  QImage mask(16, 16, QImage::Format_MonoLSB);
  mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) mask.setPixel(x, y, kPixels[y][x] == '.' ? 0 : 1);
  }
  return QBitmap::fromImage(mask);
}

QIcon editorIcon() {
  QPixmap pixmap = QPixmap::fromImage(iconImage());
  pixmap.setMask(iconMask());
  return QIcon(pixmap);
}

}  // namespace ui
