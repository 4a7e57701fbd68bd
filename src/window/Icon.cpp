#include "window/Icon.h"

namespace window {

namespace {

// '.' lies outside the sheet (masked); the other characters name palette entries:
// 'k' black, 'g' dark grey, 's' light grey, 'w' white, 'b' dark blue, 'r' red.
constexpr const char* kPixels[kIconSize] = {
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

}  // namespace

int iconPixel(int x, int y) {
  switch (kPixels[y][x]) {
    case 'k': return 0;
    case 'b': return 4;
    case 's': return 7;
    case 'g': return 8;
    case 'r': return 9;
    case 'w': return 15;
    default: return 0;
  }
}

bool iconOpaque(int x, int y) { return kPixels[y][x] != '.'; }

}  // namespace window
