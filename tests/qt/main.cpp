// The window tests need a QApplication; they run on the offscreen platform whatever the
// environment says, so that no display is needed and the screen is the same everywhere, and
// with the toolkit's words in Russian, as the program has them.
#include <gtest/gtest.h>

#include <QApplication>

#include "qt/Language.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  qt::speakRussian(application);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
