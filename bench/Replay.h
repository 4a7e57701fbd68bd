#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/ForwardingDisk.h"

namespace bench {

namespace fs = std::filesystem;

// One file operation as the editor asked for it.
struct FileCall {
  support::ForwardingDisk::Call::Kind kind;
  fs::path path, to;
  std::string pattern;
  std::size_t bytes = 0;  // written bytes, for the record
};

// A disk that does the work with the real one and records every call, and the bytes of each
// write, replayed by the floor.
class RecordingDisk final : public support::ForwardingDisk {
 public:
  std::vector<FileCall> calls;
  std::vector<std::string> written;

 private:
  void before(const Call& call) override;
};

// The floor of a recorded operation: the same calls made with plain system calls and nothing
// else: whole-file reads, synced writes, renames, deletions, folder listings. `written` holds the bytes of the
// writes in order.
void replay(const std::vector<FileCall>& calls, const std::vector<std::string>& written);

}  // namespace bench
