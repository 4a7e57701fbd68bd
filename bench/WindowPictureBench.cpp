// Times a new picture through the editor's Qt window (offscreen), as a teacher adds one: a photo
// of 12 megapixels (4000×3000, written as JPEG by the toolkit) chosen in the file dialog of
// «Добавить рисунок…», until the picture and the question's page are saved and shown. Two times
// each run: from the click on the button (the dialog opened and answered too) and from the
// teacher's choice in the dialog; the run then taken back by Правка → Отменить, so that each adds
// the same picture anew. The medians of the runs are printed.
//
//   window_picture_bench SAMPLE [RUNS]
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "lifecycle/Editor.h"
#include "lifecycle/Generators.h"
#include "qt/EditWindow.h"
#include "qt/ImageReader.h"
#include "qt/Language.h"
#include "shell/Disk.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// No box is expected; one that comes is counted, never shown (a modal box would wait for ever).
struct CountedBoxes final : lifecycle::Dialogs {
  int shown = 0;
  bool confirm(const std::string&, const std::string&) override { return ++shown, true; }
  void inform(const std::string& text, const std::string&) override {
    ++shown;
    std::fprintf(stderr, "box: %s\n", text.c_str());
  }
  Answer ask(const std::string&, const std::string&) override { return ++shown, Answer::Yes; }
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double msSince(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  qt::speakRussian(application);
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_picture_bench SAMPLE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  const fs::path scratch =
      fs::temp_directory_path() / ("window-picture-bench-" + std::to_string(::getpid()));
  const fs::path shell = scratch / "shell";
  fs::create_directories(scratch);
  fs::copy(argv[1], shell, fs::copy_options::recursive);

  // A photo: light over the frame and a sensor's grain, as a camera's JPEG has them.
  QImage photo(4000, 3000, QImage::Format_RGB32);
  std::uint32_t seed = 12345;
  for (int y = 0; y < photo.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(photo.scanLine(y));
    for (int x = 0; x < photo.width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>(seed >> 28) - 8;
      row[x] = qRgb(std::clamp(x * 200 / 4000 + 30 + grain, 0, 255),
                    std::clamp(y * 180 / 3000 + 40 + grain, 0, 255),
                    std::clamp((x + y) * 100 / 7000 + 90 + grain, 0, 255));
    }
  }
  const QString jpeg = QString::fromStdString((scratch / "photo.jpg").string());
  if (!photo.save(jpeg, "JPEG", 90)) return 1;

  shell::RealDisk disk;
  lifecycle::SystemClock clock;
  lifecycle::FixedStartRandom random;
  CountedBoxes boxes;
  qt::ImageReader images;
  qt::EditWindow window(boxes, [](QWidget*, const QString& message) {
    std::fprintf(stderr, "error: %s\n", message.toStdString().c_str());
  });
  lifecycle::Editor editor({disk, boxes, clock, random, &window, nullptr, &images}, shell);
  window.attach(editor);
  if (!window.load()) return 1;
  window.show();
  static_cast<QListWidget*>(window.control("List1"))->setCurrentRow(0);
  static_cast<QListWidget*>(window.control("List2"))->setCurrentRow(1);
  auto* add = static_cast<QPushButton*>(window.control("cmdAddPicture"));

  std::vector<double> fromClick, fromChoice;
  for (int run = 0; run < runs; ++run) {
    Clock::time_point chosen{};
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (files == nullptr) return;
      answer.stop();
      files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(jpeg);
      chosen = Clock::now();
      static_cast<QDialog*>(files)->accept();
    });
    answer.start(1);
    const Clock::time_point clicked = Clock::now();
    add->click();
    fromClick.push_back(msSince(clicked));
    fromChoice.push_back(msSince(chosen));
    if (window.ended() || boxes.shown != 0 || !fs::exists(shell / "pics" / "9.gif")) {
      std::fprintf(stderr, "the picture was not added\n");
      return 1;
    }
    window.action("mnuEditUndo")->trigger();
  }
  std::printf("a 12-megapixel JPEG (4000×3000, %lld KB) added through the window, %d runs:\n",
              static_cast<long long>(fs::file_size(scratch / "photo.jpg") / 1024), runs);
  std::printf(
      "  from the teacher's choice in the file dialog to the page saved: median %.0f ms (each:",
      median(fromChoice));
  for (const double t : fromChoice) std::printf(" %.0f", t);
  std::printf(
      ")\n  from the click on «Добавить рисунок…» (the dialog opened and answered): median %.0f "
      "ms\n",
      median(fromClick));
  window.close();
  fs::remove_all(scratch);
  return 0;
}
