// The baselines of the window benchmark: one empty Qt window of the editor's size, and (built
// with WITH_TEXT) the same window with one line of text, which is what it costs Qt to load its
// font configuration and one font before a window with any text can be shown.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("Редактор теста");
  window.resize(860, 638);
#ifdef WITH_TEXT
  QLabel text("Редактор теста", &window);
#endif
  window.show();
  return app.exec();
}
