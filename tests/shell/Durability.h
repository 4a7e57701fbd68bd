#pragma once

// The calls of the real disk that a power cut cares about, recorded while a change runs: the
// recorder of each system (DurabilityPosix.cpp, DurabilityWin.cpp) turns its system's calls
// into these, and DurabilityTest.cpp checks the one order that both must keep.

#include <filesystem>
#include <string>

namespace durability {

struct Call {
  std::string name;  // create (an open that may create), write (any other open for writing),
                     // fsync (of a file's bytes, or of a folder's names), rename, unlink, rmdir
  std::filesystem::path path, to;
  bool through = false;  // a rename that is on the disk when it returns (Windows' write-through)
};

// Adds a call to the list while a test records.
void record(const char* name, const std::filesystem::path& path,
            const std::filesystem::path& to = {}, bool through = false);
bool recording();

// Whether the system keeps the changes of names in the order they were made, so that a name
// change written through brings every earlier one to the disk with it. The Windows disk relies
// on it: it cannot sync a folder as Linux does (its syncFolder does nothing), and writes its
// renames through instead, also the rename that begins each deletion of a file or folder of the
// test; NTFS logs every change of a name in order. (FAT logs nothing: there a name change that
// was not written through, such as the journal's creation, may be lost while a later one
// lands.) Linux promises no order, and its disk syncs each folder.
// Defined by the recorder of the system.
extern const bool kNamesInOrder;

}  // namespace durability
