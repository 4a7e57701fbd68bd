// What a power cut relies on, read from the real disk's calls of its system during a change and
// the replay of its journal: each new content synced before the rename that puts it in place;
// the journal and the root synced before the first step; every folder that a step changed
// synced before the journal is deleted; a change that returns has its steps on the disk, or the
// journal that makes them again, and every file and folder it deleted gone for good; and a file
// whose bytes do not change is not opened for writing at all. The deletion of one of the
// editor's temporaries (or of what a temporary folder holds) need not last: start-up removes
// them. The calls are those of Linux (open, fsync, rename, unlink, rmdir) or of Windows
// (CreateFileW, FlushFileBuffers, MoveFileExW, DeleteFileW, RemoveDirectoryW), recorded by the
// wrappers of DurabilityPosix.cpp or DurabilityWin.cpp, which this test is linked with; the
// same order is checked on both, where on Windows a rename written through stands for the sync
// of a folder (Durability.h).

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "shell/Change.h"
#include "shell/Durability.h"
#include "shell/Layout.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;
using durability::Call;

std::vector<Call> g_calls;
bool g_recording = false;

}  // namespace

namespace durability {

void record(const char* name, const fs::path& path, const fs::path& to, bool through) {
  if (g_recording) g_calls.push_back({name, path.lexically_normal(), to.lexically_normal(), through});
}
bool recording() { return g_recording; }

}  // namespace durability

namespace {

// A deletion of one of the editor's temporaries, or of a file in a temporary folder: start-up
// removes them again should it be lost, so it changes no name that matters.
bool discards(const Call& c) {
  return (c.name == "unlink" || c.name == "rmdir") &&
         (shell::isTemporaryName(c.path.filename().string()) ||
          shell::isTemporaryName(c.path.parent_path().filename().string()));
}

bool isStep(const Call& c) {
  return (c.name == "rename" || c.name == "unlink" || c.name == "rmdir") && !discards(c);
}

// Whether a call takes a name of the test away: a file or folder deleted, or renamed to a
// temporary name (which start-up removes), but not the journal, which a replay makes again
// harmlessly.
bool removes(const Call& c, const fs::path& journal) {
  if (c.path == journal) return false;
  if (c.name == "rename") {
    return shell::isTemporaryName(c.to.filename().string()) &&
           !shell::isTemporaryName(c.path.filename().string());
  }
  return (c.name == "unlink" || c.name == "rmdir") && !discards(c);
}

// Whether `path` was synced after its last change made before call `changed`, by the time of
// call `at` (`at` == the number of calls: when the change returns): a file changes when it is
// created, a folder when a name in it is made, renamed or removed. Where the system keeps the
// changes of names in order, a rename written through brings every earlier one to the disk, and
// a change of a name before a step is on the disk whenever the step is.
bool synced(const fs::path& path, std::size_t at, std::size_t changed) {
  const bool beforeAStep = durability::kNamesInOrder && at < g_calls.size() && isStep(g_calls[at]);
  bool bytes = true, names = true;
  for (std::size_t i = 0; i < at; ++i) {
    const Call& c = g_calls[i];
    if (c.name == "fsync") {
      if (c.path == path) bytes = names = true;
      continue;
    }
    if (i < changed && c.name == "create" && c.path == path) bytes = false;
    if (i < changed && c.name != "write" && !discards(c) &&
        (c.path.parent_path() == path || c.to.parent_path() == path)) {
      names = false;
    }
    if (durability::kNamesInOrder && c.through) names = true;
  }
  return bytes && (names || beforeAStep);
}
bool synced(const fs::path& path, std::size_t at) { return synced(path, at, at); }

// A folder as the calls name it: Windows' folder of temporary files ends in a separator.
fs::path asCalled(const fs::path& given) {
  fs::path out = given.lexically_normal();
  return out.filename().empty() ? out.parent_path() : out;
}

// How the recorded calls break the order a power cut relies on; `returned`: the change returned
// without an error, and its steps must then be durable.
std::vector<std::string> unsafe(const fs::path& given, bool returned) {
  const fs::path root = asCalled(given);
  std::vector<std::string> out;
  auto need = [&](const fs::path& path, std::size_t at, const char* before) {
    if (synced(path, at)) return;
    const std::string name = path.lexically_relative(root).string();
    out.push_back((name == "." ? "the root" : name) + " not synced before " + before);
  };
  const fs::path journal = root / shell::kJournalFile;
  // The journal's creation (the first call of a change that removes only) and deletion.
  const std::size_t none = g_calls.size();
  std::size_t made = none, gone = 0;
  for (std::size_t i = 0; i < g_calls.size(); ++i) {
    if (g_calls[i].path == journal && g_calls[i].name == "create") made = i;
    if (g_calls[i].path == journal && g_calls[i].name == "unlink") gone = i;
    if (g_calls[i].name != "rename") continue;
    need(g_calls[i].path, i, "the rename that puts it in place");
    for (std::size_t j = 0; j < i; ++j) {
      const Call& file = g_calls[j];
      if (file.name == "create" && file.path.parent_path() == g_calls[i].path) {
        need(file.path, i, "the rename of its folder");
      }
    }
  }
  // Every file and folder the change deleted stays deleted after a power cut once it returns:
  // its folder's names are on the disk, or the folder's own removal is.
  for (std::size_t i = 0; i < g_calls.size() && returned; ++i) {
    if (!removes(g_calls[i], journal)) continue;
    const fs::path folder = g_calls[i].path.parent_path();
    const bool folderGoes = std::any_of(g_calls.begin() + i, g_calls.end(), [&](const Call& c) {
      return removes(c, journal) && c.path == folder;
    });
    if (!folderGoes && !synced(folder, g_calls.size(), i + 1)) {
      out.push_back(g_calls[i].path.lexically_relative(root).string() +
                    " deleted, and may come back after a power cut once the change returned");
    }
  }
  if (made == none) {
    // No journal: a change of one step, whose folder is synced before it returns.
    for (std::size_t i = 0; i < g_calls.size() && returned; ++i) {
      const Call& c = g_calls[i];
      if (isStep(c)) {
        need((c.to.empty() ? c.path : c.to).parent_path(), g_calls.size(), "it returns");
      }
    }
    return out;
  }
  // A change that returned is on the disk, or the journal that makes it again is.
  if (returned && !synced(root, g_calls.size(), made + 1)) {
    out.push_back("the journal not synced before it returns");
  }
  std::size_t first = made + 1;
  while (first < gone && !isStep(g_calls[first])) ++first;
  if (first >= gone) return out;
  need(journal, first, "the first step");
  need(root, first, "the first step");
  for (std::size_t i = first; i < gone; ++i) {
    if (!isStep(g_calls[i])) continue;
    for (const fs::path& folder : {g_calls[i].path.parent_path(), g_calls[i].to.parent_path()}) {
      const bool removed =
          std::any_of(g_calls.begin() + i, g_calls.begin() + gone,
                      [&](const Call& c) { return c.name == "rmdir" && c.path == folder; });
      if (!folder.empty() && !removed) need(folder, gone, "the journal is deleted");
    }
  }
  return out;
}

// The files 1.js, 2/3.html and 5/0.html.
void smallTree(const fs::path& root) {
  for (const char* folder : {"2", "5"}) fs::create_directory(root / folder);
  for (const char* file : {"1.js", "2/3.html", "5/0.html"}) support::writeBytes(root / file, "old");
}

// A test of six stages, and one of seven whose seventh was entered through the editor to its
// tenth question: the newest change of its history.
void sixStages(const fs::path& root) { support::buildShell(root, {.stageFolders = 6}); }
void newSeventhStage(const fs::path& root) {
  sixStages(root);
  support::Harness h(root);
  h.editor.Form_Load();
  h.editor.cmdNewL_Click();
  h.editor.selectList1(6);
  h.editor.cmdSave_Click();
  for (int q = 2; q <= 10; ++q) {
    h.editor.cmdNewN_Click();
    h.editor.form.Text1[0] = "question " + std::to_string(q);
    h.editor.cmdSave_Click();
  }
}

// One click of the editor on its test, through the disk given.
std::function<void(shell::Disk&, const fs::path&)> click(void (lifecycle::Editor::*handler)()) {
  return [handler](shell::Disk& disk, const fs::path& root) {
    support::Harness h(root, &disk);
    h.editor.Form_Load();
    (h.editor.*handler)();
  };
}

// The changes whose calls are checked, on the small tree unless a case builds its own.
struct Case {
  const char* name;
  std::function<void(shell::Disk&, const fs::path&)> change;
  long renames;                   // into place, made by the change when nothing interrupts it
  std::vector<std::string> kept;  // files written with the bytes they hold
  long removals = 0;              // files and folders it deletes
  std::function<void(const fs::path&)> build = smallTree;
};

const Case kCases[] = {
    {"several steps, journaled",
     [](shell::Disk& disk, const fs::path& root) {
       shell::Change change(disk, root);
       change.write(root / "1.js", "new key");
       change.write(root / "2" / "3.html", "new page");
       change.remove(root / "5" / "0.html");
       change.removeFolder(root / "5");
       change.addFolder(root / "6", {{"0.html", "page"}, {"1.html", "page"}});
       change.commit();
     },
     3,
     {},
     2},
    {"one file deleted",
     [](shell::Disk& disk, const fs::path& root) {
       shell::Change change(disk, root);
       change.remove(root / "2" / "3.html");
       change.commit();
     },
     0,
     {},
     1},
    // The bytes of the other two as the editor read them.
    {"one page changed of three written",
     [](shell::Disk& disk, const fs::path& root) {
       shell::KnownFiles known;
       const std::string key = known.read(disk, root / "1.js");
       known.read(disk, root / "5" / "0.html");
       shell::Change change(disk, root, &known);
       change.write(root / "1.js", key);
       change.write(root / "5" / "0.html", "old");
       change.write(root / "2" / "3.html", "new page");
       change.commit();
     },
     1,
     {"1.js", "0.html"}},
    {"one new folder",
     [](shell::Disk& disk, const fs::path& root) {
       shell::Change change(disk, root);
       change.addFolder(root / "6", {{"0.html", "page"}, {"1.html", "page"}});
       change.commit();
     },
     1,
     {}},
    // The editor's own handlers: the ten pages of the last stage and its folder deleted with the
    // stage count of the key and the title page written, and a new stage taken back by an undo,
    // its pages and folder deleted, the key and the title page written back.
    {"the last stage removed", click(&lifecycle::Editor::cmdDelLast_Click), 2, {}, 11, sixStages},
    {"a new stage undone", click(&lifecycle::Editor::mnuEditUndo_Click), 2, {}, 11,
     newSeventhStage},
};

TEST(PowerCut, EachCommitAndTheReplayOfItsJournalSyncWhatAPowerCutWouldLose) {
  for (const Case& c : kCases) {
    int changes = 0;
    for (int n = 0; n <= changes; ++n) {
      SCOPED_TRACE(::testing::Message() << c.name << ", killed at change " << n
                                        << " (0: not killed)");
      support::TempDir dir;
      const fs::path root = dir.path();
      c.build(root);
      support::FailingDisk disk(n);
      disk.onlyChanges = disk.halfway = true;
      g_calls.clear();
      g_recording = true;
      bool returned = true;
      try {
        c.change(disk, root);
      } catch (const shell::ShellError&) {
        returned = false;
      }
      shell::RealDisk real;
      shell::Change::recover(real, root);
      g_recording = false;
      if (n == 0) {
        changes = disk.count();
        EXPECT_TRUE(returned);
        EXPECT_EQ(std::count_if(g_calls.begin(), g_calls.end(),
                                [](auto& call) {
                                  return call.name == "rename" &&
                                         !shell::isTemporaryName(call.to.filename().string());
                                }),
                  c.renames);
        const fs::path journal = asCalled(root) / shell::kJournalFile;
        EXPECT_EQ(std::count_if(g_calls.begin(), g_calls.end(),
                                [&](auto& call) { return removes(call, journal); }),
                  c.removals);
      }
      EXPECT_EQ(unsafe(root, returned), std::vector<std::string>{});
      // A file whose bytes stay is not opened for writing, nor is a temporary made for it.
      for (const Call& call : g_calls) {
        for (const std::string& kept : c.kept) {
          EXPECT_FALSE((call.name == "create" || call.name == "write") &&
                       call.path.filename().string().find(kept) != std::string::npos)
              << call.name << " " << call.path;
        }
      }
    }
  }
}

}  // namespace
