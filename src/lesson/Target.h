#pragma once

#include <string>
#include <string_view>

#include "lesson/Snapshot.h"

namespace lesson {

// What a request's target names: a file of the test, or why nothing is served.
struct Target {
  enum Kind {
    File,       // `name` is a file of the snapshot
    Malformed,  // a broken escape, an escaped NUL, '/' or '\', bytes that are no UTF-8, no leading '/'
    NotFound,   // no file of the test by that name (also a folder, a hidden name, "..", a drive)
  } kind = NotFound;
  std::string name;  // the file's name in the snapshot ("0/3.html"), for File
};

// The path of a request's target: what comes before its query or fragment.
std::string_view pathOf(std::string_view target);

// The one rule for what a request may read. "/" is index.html; the query and fragment are
// ignored; the path is percent-decoded once and must then name, exactly and in the case it has
// on disk, a file of the snapshot: no "." or ".." part, no empty part, no part starting with a
// dot, no backslash, no drive or stream (':'), no control character. Nothing is ever looked up
// on disk.
Target targetFile(std::string_view target, const Files& files);

// The Content-Type of a file of the test by its name: the pages and the script in the test's
// code page, the pictures as GIF.
std::string contentTypeOf(std::string_view name);

}  // namespace lesson
