#include "lesson/Target.h"

#include <optional>

#include "lesson/Form.h"
#include "shell/Layout.h"
#include "text/CodePage.h"

namespace lesson {

namespace {

// The path with its escapes decoded once; nothing for a broken escape, or for an escape of NUL,
// '/' or '\', which would turn one part of the path into several or end a name early.
std::optional<std::string> decoded(std::string_view path) {
  std::optional<std::string> out = percentDecoded(path, Escapes::Path);
  const auto separators = [](std::string_view s) {
    std::size_t n = 0;
    for (const char c : s) n += c == '/' || c == '\\' || c == '\0';
    return n;
  };
  if (out && separators(*out) != separators(path)) return std::nullopt;
  return out;
}

}  // namespace

std::string_view pathOf(std::string_view target) {
  return target.substr(0, target.find_first_of("?#"));
}

Target targetFile(std::string_view target, const Files& files) {
  const std::string_view path = pathOf(target);
  if (path.empty() || path.front() != '/') return {Target::Malformed, {}};
  const std::optional<std::string> name = decoded(path.substr(1));
  if (!name || !text::fromUtf8(*name)) return {Target::Malformed, {}};
  for (const char c : *name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return {Target::Malformed, {}};
  }
  if (name->empty()) return {Target::File, shell::kIndexFile};
  // Every part a plain name: not empty, not "." or "..", no leading dot (the history's folder,
  // the editor's temporaries), no backslash, no ':' of a drive or a stream.
  std::size_t from = 0;
  for (;;) {
    const std::size_t slash = name->find('/', from);
    const std::string_view part = std::string_view(*name).substr(from, slash - from);
    if (part.empty() || part.front() == '.' || part.find_first_of("\\:") != std::string_view::npos) {
      return {Target::NotFound, {}};
    }
    if (slash == std::string::npos) break;
    from = slash + 1;
  }
  if (files.find(*name) == files.end()) return {Target::NotFound, {}};
  return {Target::File, *name};
}

std::string contentTypeOf(std::string_view name) {
  const auto endsWith = [name](std::string_view end) {
    return name.size() >= end.size() && name.substr(name.size() - end.size()) == end;
  };
  if (endsWith(".html")) return "text/html; charset=windows-1251";
  if (endsWith(".js")) return "text/javascript; charset=windows-1251";
  if (endsWith(".gif")) return "image/gif";
  return "application/octet-stream";
}

}  // namespace lesson
