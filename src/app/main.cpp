// The editor program: finds the shell (the folder it is given, or its own), builds the editor and
// its window, runs start-up and then the window's events until the window is unloaded or an error
// ends the run. With --serve first, a lesson without a window instead (a school's server, or a
// teacher's computer without a display): no Qt at all, the lines for the teacher on stdout.

#include <pthread.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "launcher/Launch.h"
#include "lesson/Serve.h"
#include "shell/ShellError.h"
#include "lifecycle/ShellRoot.h"
#include "lifecycle/Editor.h"
#include "lifecycle/RecentTests.h"
#include "shell/Disk.h"
#include "qt/EditWindow.h"
#include "qt/Fonts.h"
#include "qt/ImageReader.h"
#include "qt/Language.h"
#include "qt/MessageBoxes.h"
#include "lifecycle/Generators.h"
#include "window/Bindings.h"

namespace {

std::filesystem::path localPath(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

void printLine(std::FILE* to, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), to);
  std::fputc('\n', to);
  std::fflush(to);
}

// The lesson until SIGINT (Ctrl+C), SIGTERM (a service stopped) or SIGHUP (its terminal closed):
// the signals are blocked in every thread, the lesson's own included, and taken by one thread of
// their own with sigwait, which then asks the lesson to stop as any thread may. Nothing runs in a
// signal handler. Exit 0 when the lesson stopped so, 1 when it could not start.
int serveWithoutWindow(const std::vector<std::string>& arguments) {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, s);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  // Lines to a closed pipe fail instead of ending the lesson.
  std::signal(SIGPIPE, SIG_IGN);
  lesson::ServeControl control;
  std::thread waiter([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    control.stop();
  });
  int status = 0;
  try {
    lesson::serve(lesson::parseServeArguments(arguments), control, [](const std::string& line) { printLine(stdout, line); },
                  [](const std::string& line) { printLine(stderr, line); });
  } catch (const std::exception& e) {
    printLine(stderr, std::string("Редактор теста: ") + e.what());
    status = 1;
  }
  // The waiter takes a signal of its own if none came.
  if (!control.stopping()) pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]) == "--serve") {
    return serveWithoutWindow(std::vector<std::string>(argv + 2, argv + argc));
  }
  // A database server is for a lesson without a window; the window keeps its results in SQLite.
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument(argv[i]);
    if (argument == "--database" || argument.starts_with("--database=")) {
      printLine(stderr, "Редактор теста: параметр --database задаёт сервер баз данных для урока без окна; "
                        "запустите так: test_editor --serve <папка теста> --database postgresql://пользователь:пароль@сервер/база");
      return 1;
    }
  }
  QApplication application(argc, argv);
  // The toolkit's own words (file dialogs, the fields' menus, the boxes' buttons) in Russian,
  // before any widget is made.
  qt::speakRussian(application);
  // The window ends the program itself, with the status of the run.
  QApplication::setQuitOnLastWindowClosed(false);

  // The fonts the Linux download carries beside the program, in front of the system's.
  const std::filesystem::path programFolder = lifecycle::programFolder();
  if (!programFolder.empty()) qt::addFontFiles(programFolder / launcher::kFonts);

  // A folder given to the program ("Open with" on a folder) is the test to edit; Qt has taken
  // its own options out of the arguments already.
  std::vector<std::filesystem::path> arguments;
  const QStringList given = QCoreApplication::arguments();
  for (qsizetype i = 1; i < given.size(); ++i) arguments.push_back(localPath(given[i]));
  std::filesystem::path root;
  if (const auto error = window::runEvent([&] {
        root = lifecycle::findShellRoot(programFolder, localPath(QDir::currentPath()), arguments);
      })) {
    qt::showError(nullptr, QString::fromStdString(*error));
    return 1;
  }

  shell::RealDisk disk;
  lifecycle::SystemClock clock;
  lifecycle::FixedStartRandom random;
  lifecycle::SystemBrowser browser;
  qt::MessageBoxes dialogs;
  qt::EditWindow window(dialogs);
  dialogs.setParentWidget(&window);
  qt::ImageReader images;  // the image files chosen as pictures, read by the toolkit
  const lifecycle::Editor::Seams seams{disk, dialogs, clock, random, &window, &browser, &images};
  const std::filesystem::path guide = programFolder / lifecycle::kGuideFile;
  lifecycle::Editor editor(seams, root, guide);
  lifecycle::RecentTests recent(disk, lifecycle::recentTestsFile());
  window.attach(editor);
  window.setProgram({[&](const std::filesystem::path& folder) {
                       return std::make_unique<lifecycle::Editor>(seams, folder, guide);
                     },
                     &recent, lifecycle::documentsFolder(),
                     // A lesson reads the test through the same disk and keeps its results in the
                     // user's data folder, served on every address of the computer.
                     {&disk, {}, {}}});

  if (!window.load()) return window.exitCode();
  window.show();
  const int status = QApplication::exec();
  return window.ended() ? window.exitCode() : status;
}
