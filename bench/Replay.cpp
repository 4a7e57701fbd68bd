#include "bench/Replay.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <thread>

namespace bench {

bool syncs(Call::Kind kind) {
  // The real disk syncs a file it writes (unless told not to), a file and a folder asked for.
  return kind == Call::PutFile || kind == Call::SyncFile || kind == Call::SyncFolder;
}

bool changes(Call::Kind kind) {
  return kind == Call::PutFile || kind == Call::PutFileUnsynced || kind == Call::SyncFile ||
         kind == Call::SyncFolder || kind == Call::MakeFolder ||
         kind == Call::RemoveFolder || kind == Call::RenameFile || kind == Call::DeleteFile;
}

void RecordingDisk::before(const Call& c) {
  calls.push_back({c.kind, c.path, c.to != nullptr ? *c.to : fs::path(), std::string(c.pattern),
                   c.bytes.size()});
  if (c.kind == Call::PutFile || c.kind == Call::PutFileUnsynced) written.emplace_back(c.bytes);
}

void SlowSyncDisk::before(const Call& c) {
  if (syncs(c.kind)) std::this_thread::sleep_for(delay_);
}

namespace {

void check(bool ok, const char* what, const fs::path& path) {
  if (!ok) throw std::runtime_error(std::string(what) + " failed: " + path.string());
}

std::string readAll(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY);
  check(fd >= 0, "open", file);
  struct stat st {};
  ::fstat(fd, &st);
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    check(n > 0, "read", file);
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return bytes;
}

void slow(std::chrono::microseconds delay) {
  if (delay.count() > 0) std::this_thread::sleep_for(delay);
}

void syncDir(const fs::path& dir, std::chrono::microseconds delay) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  check(fd >= 0, "open folder", dir);
  ::fsync(fd);
  ::close(fd);
  slow(delay);
}

void write(const fs::path& file, const std::string& bytes, bool sync,
           std::chrono::microseconds delay) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  check(fd >= 0, "create", file);
  check(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write",
        file);
  if (sync) check(::fsync(fd) == 0, "fsync", file);
  ::close(fd);
  if (sync) slow(delay);
}

void syncFile(const fs::path& file, std::chrono::microseconds delay) {
  const int fd = ::open(file.c_str(), O_RDONLY);
  check(fd >= 0 && ::fsync(fd) == 0, "fsync", file);
  ::close(fd);
  slow(delay);
}

std::size_t listing(const fs::path& dir) {
  DIR* d = ::opendir(dir.c_str());
  check(d != nullptr, "opendir", dir);
  std::size_t n = 0;
  while (::readdir(d) != nullptr) ++n;
  ::closedir(d);
  return n;
}

}  // namespace

void replay(const std::vector<FileCall>& calls, const std::vector<std::string>& written,
            std::chrono::microseconds delay, bool looksOnly) {
  std::size_t nextWrite = 0;
  for (const auto& c : calls) {
    if (looksOnly && changes(c.kind)) continue;
    switch (c.kind) {
      case Call::ReadFile: (void)readAll(c.path); break;
      case Call::RenameFile: check(::rename(c.path.c_str(), c.to.c_str()) == 0, "rename", c.path); break;
      case Call::DeleteFile: check(::unlink(c.path.c_str()) == 0, "unlink", c.path); break;
      case Call::MakeFolder: check(::mkdir(c.path.c_str(), 0755) == 0, "mkdir", c.path); break;
      case Call::RemoveFolder: check(::rmdir(c.path.c_str()) == 0, "rmdir", c.path); break;
      case Call::SyncFolder: syncDir(c.path, delay); break;
      case Call::ListFolders:
      case Call::ListFiles: (void)listing(c.path); break;
      case Call::PutFile: write(c.path, written.at(nextWrite++), true, delay); break;
      case Call::PutFileUnsynced: write(c.path, written.at(nextWrite++), false, delay); break;
      case Call::SyncFile: syncFile(c.path, delay); break;
      case Call::ResolvedPath: {
        char* real = ::realpath(c.path.c_str(), nullptr);
        ::free(real);
        break;
      }
      case Call::Writable: (void)::access(c.path.c_str(), W_OK); break;
      case Call::FileExists:
      case Call::FolderExists:
      case Call::StampFile: {
        struct stat st {};
        (void)::stat(c.path.c_str(), &st);
        break;
      }
      // Any file can be replaced here; the real disk asks the system nothing.
      case Call::ReplaceBlocked: break;
    }
  }
}

Snapshot snapshot(const fs::path& root) {
  Snapshot out;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = entry.path().lexically_relative(root).generic_string();
    if (entry.is_directory()) {
      out[name + "/"] = "";
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      out[name] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return out;
}

namespace {

bool isFolder(const std::string& name) { return !name.empty() && name.back() == '/'; }
std::string withoutSlash(const std::string& name) { return name.substr(0, name.size() - 1); }
// Whether `name` lies inside one of the folders.
bool inside(const std::string& name, const std::set<std::string>& folders) {
  for (const auto& folder : folders) {
    if (name.compare(0, folder.size() + 1, folder + "/") == 0) return true;
  }
  return false;
}

}  // namespace

std::vector<PlainStep> leastWrites(const fs::path& root, const Snapshot& before,
                                   const Snapshot& after) {
  std::set<std::string> newFolders, goneFolders, goneFiles;
  std::vector<std::string> written;  // files with new bytes, outside the new folders
  for (const auto& [name, bytes] : before) {
    if (after.count(name) != 0) continue;
    (isFolder(name) ? goneFolders : goneFiles).insert(isFolder(name) ? withoutSlash(name) : name);
  }
  for (const auto& [name, bytes] : after) {
    if (isFolder(name)) {
      if (before.count(name) == 0) newFolders.insert(withoutSlash(name));
      continue;
    }
    const auto old = before.find(name);
    if (old == before.end() || old->second != bytes) written.push_back(name);
  }
  std::erase_if(written, [&](const std::string& name) { return inside(name, newFolders); });
  // A folder inside a new folder comes with it.
  std::erase_if(newFolders, [&](const std::string& name) { return inside(name, newFolders); });

  const auto path = [&](const std::string& name) { return root / name; };
  auto fill = [&](std::vector<PlainStep>& out, const std::string& folder, const fs::path& temp) {
    out.push_back({PlainStep::MakeFolder, temp, {}, {}});
    for (const auto& [name, bytes] : after) {
      if (!isFolder(name) && inside(name, {folder})) {
        out.push_back({PlainStep::Write, temp / name.substr(folder.size() + 1), {}, bytes});
      }
    }
    out.push_back({PlainStep::SyncFolder, temp, {}, {}});
  };

  std::vector<PlainStep> out;
  const std::size_t count =
      written.size() + goneFiles.size() + goneFolders.size() + newFolders.size();
  if (count == 0) return out;
  if (count == 1) {
    if (!written.empty()) {
      const fs::path target = path(written[0]);
      const fs::path temp = target.parent_path() / ("." + target.filename().string() + ".least");
      out.push_back({PlainStep::Write, temp, {}, after.at(written[0])});
      out.push_back({PlainStep::Rename, temp, target, {}});
      out.push_back({PlainStep::SyncFolder, target.parent_path(), {}, {}});
    } else if (!goneFiles.empty()) {
      out.push_back({PlainStep::Unlink, path(*goneFiles.begin()), {}, {}});
      out.push_back({PlainStep::SyncFolder, path(*goneFiles.begin()).parent_path(), {}, {}});
    } else if (!goneFolders.empty()) {
      out.push_back({PlainStep::RemoveFolder, path(*goneFolders.begin()), {}, {}});
      out.push_back({PlainStep::SyncFolder, path(*goneFolders.begin()).parent_path(), {}, {}});
    } else {
      const std::string& folder = *newFolders.begin();
      const fs::path temp =
          path(folder).parent_path() / ("." + path(folder).filename().string() + ".least");
      fill(out, folder, temp);
      out.push_back({PlainStep::Rename, temp, path(folder), {}});
      out.push_back({PlainStep::SyncFolder, path(folder).parent_path(), {}, {}});
    }
    return out;
  }

  // The journal's protocol. Its text names every step, as a journal would.
  std::string journal;
  std::set<fs::path> changed{root};
  int n = 0;
  for (const auto& name : written) {
    const fs::path temp = root / (".least-" + std::to_string(n++));
    out.push_back({PlainStep::Write, temp, {}, after.at(name)});
    journal += "replace " + temp.filename().string() + " " + name + "\n";
  }
  for (const auto& folder : newFolders) {
    fill(out, folder, root / (".least-" + std::to_string(n++)));
    journal += "add " + out.back().path.filename().string() + " " + folder + "\n";
  }
  for (const auto& name : goneFiles) journal += "delete " + name + "\n";
  for (const auto& name : goneFolders) journal += "rmdir " + name + "\n";
  const fs::path journalFile = root / ".least-journal";
  out.push_back({PlainStep::Write, journalFile, {}, journal + "end\n"});
  out.push_back({PlainStep::SyncFolder, root, {}, {}});
  n = 0;
  for (const auto& name : written) {
    out.push_back({PlainStep::Rename, root / (".least-" + std::to_string(n++)), path(name), {}});
    changed.insert(path(name).parent_path());
  }
  for (const auto& folder : newFolders) {
    out.push_back({PlainStep::Rename, root / (".least-" + std::to_string(n++)), path(folder), {}});
    changed.insert(path(folder).parent_path());
  }
  for (const auto& name : goneFiles) {
    out.push_back({PlainStep::Unlink, path(name), {}, {}});
    changed.insert(path(name).parent_path());
  }
  // The deepest folders first, each emptied by the steps before it.
  for (auto it = goneFolders.rbegin(); it != goneFolders.rend(); ++it) {
    out.push_back({PlainStep::RemoveFolder, path(*it), {}, {}});
    changed.insert(path(*it).parent_path());
  }
  for (const auto& folder : goneFolders) changed.erase(path(folder));
  for (const auto& folder : changed) out.push_back({PlainStep::SyncFolder, folder, {}, {}});
  out.push_back({PlainStep::Unlink, journalFile, {}, {}});
  out.push_back({PlainStep::SyncFolder, root, {}, {}});
  return out;
}

void run(const std::vector<PlainStep>& steps, std::chrono::microseconds delay) {
  for (const auto& s : steps) {
    switch (s.kind) {
      case PlainStep::Write: write(s.path, s.bytes, true, delay); break;
      case PlainStep::Rename:
        check(::rename(s.path.c_str(), s.to.c_str()) == 0, "rename", s.path);
        break;
      case PlainStep::Unlink: check(::unlink(s.path.c_str()) == 0, "unlink", s.path); break;
      case PlainStep::MakeFolder: check(::mkdir(s.path.c_str(), 0755) == 0, "mkdir", s.path); break;
      case PlainStep::RemoveFolder: check(::rmdir(s.path.c_str()) == 0, "rmdir", s.path); break;
      case PlainStep::SyncFolder: syncDir(s.path, delay); break;
    }
  }
}

}  // namespace bench
