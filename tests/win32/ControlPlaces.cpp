// Prints every control of the window's design with its place in the window's client area, in
// twips: "name left top width height", one a line. The window test clicks at these places.

#include <cstdio>
#include <string>

#include "window/Layout.h"

int main() {
  for (const window::ControlDesign& d : window::controls()) {
    int left = d.left;
    int top = d.top;
    for (auto container = d.container; container != window::kWindowName;) {
      const window::ControlDesign* frame = window::findControl(container);
      left += frame->left;
      top += frame->top;
      container = frame->container;
    }
    std::printf("%s %d %d %d %d\n", std::string(d.name).c_str(), left, top, d.width, d.height);
  }
  std::printf("%s 0 0 %d %d\n", std::string(window::kWindowName).c_str(), window::kClientWidth,
              window::kClientHeight);
  return 0;
}
