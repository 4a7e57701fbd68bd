// The baseline of the window benchmark: one empty Qt window of the editor's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("Редактор теста");
  window.resize(860, 638);
  window.show();
  return app.exec();
}
