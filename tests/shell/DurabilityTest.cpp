// What a power cut relies on, read from the real disk's system calls during a change and the
// replay of its journal: each new content synced before the rename that puts it in place; the
// journal and the root synced before the first step; every folder that a step changed synced
// before the journal is deleted; a change of one step, made without a journal, has its folder
// synced before it returns; and a file whose bytes do not change is not opened for writing at
// all. This test is linked with --wrap, so that the real disk's calls
// of open, fsync, rename, unlink and rmdir go through the recording wrappers below; the
// program is linked without it and calls the C library directly, at no cost.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdarg>
#include <functional>

#include "shell/Change.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;

struct Call {
  std::string name;  // create (an open that may create), write (any other open for writing),
                     // fsync, rename, unlink, rmdir
  fs::path path, to;
};
std::vector<Call> g_calls;
std::map<int, fs::path> g_open;  // descriptor -> path, while recording
bool g_recording = false;

void record(const char* name, const fs::path& path, const fs::path& to = {}) {
  if (g_recording) g_calls.push_back({name, path.lexically_normal(), to.lexically_normal()});
}

}  // namespace

extern "C" {
int __real_open(const char* path, int flags, ...);
int __real_fsync(int fd);
int __real_rename(const char* from, const char* to);
int __real_unlink(const char* path);
int __real_rmdir(const char* path);

int __wrap_open(const char* path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, mode_t);
    va_end(args);
    record("create", path);
  } else if ((flags & O_ACCMODE) != O_RDONLY) {
    record("write", path);
  }
  const int fd = __real_open(path, flags, mode);
  if (fd >= 0 && g_recording) g_open[fd] = path;
  return fd;
}
int __wrap_fsync(int fd) {
  if (g_recording) record("fsync", g_open[fd]);
  return __real_fsync(fd);
}
int __wrap_rename(const char* from, const char* to) {
  record("rename", from, to);
  return __real_rename(from, to);
}
int __wrap_unlink(const char* path) {
  record("unlink", path);
  return __real_unlink(path);
}
int __wrap_rmdir(const char* path) {
  record("rmdir", path);
  return __real_rmdir(path);
}
}

namespace {

// Whether `path` was synced after its last change, before call `at`: a file changes when it is
// created or written, a folder when a name in it is made, renamed or removed.
bool synced(const fs::path& path, std::size_t at) {
  bool durable = true;
  for (std::size_t i = 0; i < at; ++i) {
    const Call& c = g_calls[i];
    if (c.name == "fsync") {
      durable = durable || c.path == path;
    } else if (c.path.parent_path() == path || c.to.parent_path() == path ||
               (c.name == "create" && c.path == path)) {
      durable = false;
    }
  }
  return durable;
}

bool isStep(const Call& c) {
  return c.name == "rename" || c.name == "unlink" || c.name == "rmdir";
}

// How the recorded calls break the order a power cut relies on; `returned`: the change returned
// without an error, and its steps must then be durable.
std::vector<std::string> unsafe(const fs::path& root, bool returned) {
  std::vector<std::string> out;
  auto need = [&](const fs::path& path, std::size_t at, const char* before) {
    if (synced(path, at)) return;
    const std::string name = path.lexically_relative(root).string();
    out.push_back((name == "." ? "the root" : name) + " not synced before " + before);
  };
  const fs::path journal = root / shell::kJournalFile;
  std::size_t made = 0, gone = 0;  // the journal's creation and deletion
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
  if (made == 0) {
    // No journal: a change of one step, whose folder is synced before it returns.
    for (std::size_t i = 0; i < g_calls.size() && returned; ++i) {
      const Call& c = g_calls[i];
      if (isStep(c)) {
        need((c.to.empty() ? c.path : c.to).parent_path(), g_calls.size(), "it returns");
      }
    }
    return out;
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

// The changes whose calls are checked, on the files 1.js, 2/3.html and 5/0.html.
struct Case {
  const char* name;
  std::function<void(shell::Disk&, const fs::path&)> change;
  long renames;                     // made by the change when nothing interrupts it
  std::vector<std::string> kept;  // files written with the bytes they hold
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
     {}},
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
};

TEST(PowerCut, EachCommitAndTheReplayOfItsJournalSyncWhatAPowerCutWouldLose) {
  for (const Case& c : kCases) {
    int changes = 0;
    for (int n = 0; n <= changes; ++n) {
      SCOPED_TRACE(::testing::Message() << c.name << ", killed at change " << n
                                        << " (0: not killed)");
      support::TempDir dir;
      const fs::path root = dir.path();
      for (const char* folder : {"2", "5"}) fs::create_directory(root / folder);
      for (const char* file : {"1.js", "2/3.html", "5/0.html"})
        support::writeBytes(root / file, "old");
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
                                [](auto& call) { return call.name == "rename"; }),
                  c.renames);
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
