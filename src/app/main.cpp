// The editor program: finds the shell (the folder it is given, or its own), builds the editor and
// its window, runs start-up and then the window's events until the window is unloaded or an error
// ends the run.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <filesystem>
#include <memory>
#include <vector>

#include "launcher/Launch.h"
#include "lifecycle/ShellRoot.h"
#include "lifecycle/Editor.h"
#include "lifecycle/RecentTests.h"
#include "shell/Disk.h"
#include "qt/EditWindow.h"
#include "qt/Fonts.h"
#include "qt/Language.h"
#include "qt/MessageBoxes.h"
#include "lifecycle/Generators.h"
#include "window/Bindings.h"

namespace {

std::filesystem::path localPath(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

}  // namespace

int main(int argc, char** argv) {
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
  const lifecycle::Editor::Seams seams{disk, dialogs, clock, random, &window, &browser};
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
