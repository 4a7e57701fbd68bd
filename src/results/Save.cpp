#include "results/Export.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace results {

namespace {

// The same file, by the names the system resolves them to.
bool same(shell::Disk& disk, const fs::path& a, const fs::path& b) {
  return disk.resolvedPath(a).lexically_normal() == disk.resolvedPath(b).lexically_normal();
}

// Why the target must not be written, or nothing.
std::string refusal(shell::Disk& disk, const fs::path& target, const lesson::LessonRecord& lesson, const fs::path& store) {
  const fs::path resolved = disk.resolvedPath(target.parent_path()) / target.filename();
  if (!lesson.folder.empty() && shell::isInside(resolved, disk.resolvedPath(shell::fromUtf8(lesson.folder)))) {
    return "результаты не записываются в папку теста: ученики могут прочитать её файлы. Выберите другую папку "
           "(например, «Документы»)";
  }
  if (!store.empty()) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
      fs::path kept = store;
      kept += suffix;
      if (same(disk, target, kept)) {
        return "это файл базы результатов всех уроков; выберите другое имя файла";
      }
    }
  }
  if (disk.fileExists(target)) {
    if (const std::string blocked = disk.replaceBlocked(target); !blocked.empty()) {
      return blocked + "; закройте его (например, в Excel) и сохраните ещё раз";
    }
  }
  return {};
}

}  // namespace

void saveResults(shell::Disk& disk, const fs::path& target, Format format, const lesson::LessonRecord& lesson,
                 const std::vector<lesson::ResultRecord>& newestFirst, const fs::path& store) {
  const std::string named = shell::utf8(target);
  if (const std::string why = refusal(disk, target, lesson, store); !why.empty()) throw shell::ShellError(named, why);
  const fs::path folder = target.parent_path();
  // A dot name beside the target: in the same folder, so the rename is one step.
  const fs::path temporary = folder / shell::fromUtf8("." + shell::utf8(target.filename()) + ".tmp");
  const auto dropTemporary = [&] {
    try {
      if (disk.fileExists(temporary)) disk.deleteFile(temporary);
    } catch (const shell::ShellError&) {
      // The temporary stays; its dot name keeps it out of the way.
    }
  };
  bool renamed = false;
  try {
    switch (format) {
      case Format::Xlsx:
        writeXlsx(temporary, lessonSheets(lesson, newestFirst));
        disk.syncFile(temporary);
        break;
      case Format::Csv: disk.putFile(temporary, csvBytes(resultsTable(lesson, newestFirst))); break;
      case Format::Page: disk.putFile(temporary, resultsPage(lesson, newestFirst)); break;
    }
    disk.renameFile(temporary, target);
    renamed = true;
    disk.syncFolder(folder.empty() ? fs::path(".") : folder);
  } catch (const shell::ShellError& e) {
    if (renamed) {
      throw shell::ShellError(named, "файл записан, но система не подтвердила, что он на диске: " + e.problem() +
                                         ". Сохраните его ещё раз");
    }
    dropTemporary();
    // The disk's and the spreadsheet's reasons mostly say already what could not be done.
    const std::string& why = e.problem();
    throw shell::ShellError(named, (why.starts_with("не удалось") ? why : "не удалось записать файл: " + why) +
                                       ". Файл не изменён");
  } catch (...) {
    if (!renamed) dropTemporary();
    throw;
  }
}

}  // namespace results
