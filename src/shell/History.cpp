#include "shell/History.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"

namespace shell {

namespace {

const char* const kHeader = "test editor history 1";
const char kKinds[] = {'p', 'o', 'm'};
const char* const kKindWords[] = {"point", "open", "move"};

std::uint64_t fnv1a(std::string_view bytes) {
  std::uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

// A number of the history's own lines and names: decimal digits without a sign or leading zeros,
// up to 18 of them (a moment in seconds since 1970 has ten, more than the test's own numbers).
std::optional<std::int64_t> number(std::string_view word) {
  if (word.empty() || word.size() > 18 || (word.size() > 1 && word.front() == '0')) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string hex16(std::uint64_t value) {
  char out[17];
  std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(value));
  return out;
}

std::string recordName(int id, int parent, HistoryRecord::Kind kind) {
  return decimal(id) + "-" + decimal(parent) + "-" + kKinds[kind] + ".rec";
}

// The id, parent and kind a record's name gives, or nothing for a name of another file.
struct Name {
  int id, parent;
  HistoryRecord::Kind kind;
};
std::optional<Name> parseName(std::string_view name) {
  if (name.size() < 9 || name.substr(name.size() - 4) != ".rec") return std::nullopt;
  name.remove_suffix(4);
  const std::size_t first = name.find('-'), second = name.find('-', first + 1);
  if (first == std::string_view::npos || second == std::string_view::npos || second + 2 != name.size()) {
    return std::nullopt;
  }
  const auto id = number(name.substr(0, first));
  const auto parent = number(name.substr(first + 1, second - first - 1));
  const char* kind = std::find(std::begin(kKinds), std::end(kKinds), name.back());
  if (!id || !parent || kind == std::end(kKinds) || *id < 1 || *parent < 0 || *id > 999999999) return std::nullopt;
  const auto k = static_cast<HistoryRecord::Kind>(kind - std::begin(kKinds));
  // Every record names a point older than itself.
  if (*parent >= *id) return std::nullopt;
  return Name{static_cast<int>(*id), static_cast<int>(*parent), k};
}

std::string sideWord(const std::optional<std::string>& side, bool folder) {
  if (!side) return "-";
  return folder ? "+" : decimal(static_cast<long>(side->size()));
}

// Reads the lines and the bytes of a record in order.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}
  std::optional<std::string_view> line() {
    const std::size_t end = text_.find('\n', at_);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view out = text_.substr(at_, end - at_);
    at_ = end + 1;
    return out;
  }
  std::optional<std::string> bytes(std::size_t n) {
    if (text_.size() - at_ < n) return std::nullopt;
    std::string out(text_.substr(at_, n));
    at_ += n;
    return out;
  }
  std::size_t at() const { return at_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

std::vector<std::string_view> split(std::string_view line) {
  std::vector<std::string_view> out;
  for (std::size_t start = 0;;) {
    const std::size_t space = line.find(' ', start);
    out.push_back(line.substr(start, space - start));
    if (space == std::string_view::npos) return out;
    start = space + 1;
  }
}

// A side of an item from its word: a folder's "+" or "-", a file's size (read after the line).
bool readSide(std::string_view word, bool folder, std::optional<std::size_t>& size, bool& present) {
  if (word == "-") {
    present = false;
    return true;
  }
  present = true;
  if (folder) return word == "+";
  const auto n = number(word);
  if (!n) return false;
  size = static_cast<std::size_t>(*n);
  return true;
}

}  // namespace

std::string writeRecord(const HistoryRecord& r) {
  std::string out = std::string(kHeader) + "\n";
  out += "id " + decimal(r.id) + "\n";
  out += "parent " + decimal(r.parent) + "\n";
  out += std::string("kind ") + kKindWords[r.kind] + "\n";
  out += "time " + std::to_string(r.time) + "\n";
  out += "what " + wordEncoded(r.what) + "\n";
  for (const HistoryItem& item : r.items) {
    out += std::string(item.folder ? "folder " : "file ") + wordEncoded(item.path) + " " +
           sideWord(item.before, item.folder) + " " + sideWord(item.after, item.folder) + "\n";
    if (!item.folder) {
      if (item.before) out += *item.before;
      if (item.after) out += *item.after;
    }
  }
  return out + "check " + hex16(fnv1a(out)) + "\n";
}

std::optional<HistoryRecord> readRecord(std::string_view text) {
  // The check line ends the record and covers every byte before it.
  const std::size_t check = text.rfind("check ");
  if (check == std::string_view::npos || text.size() != check + 6 + 16 + 1 || text.back() != '\n' ||
      text.substr(check + 6, 16) != hex16(fnv1a(text.substr(0, check)))) {
    return std::nullopt;
  }
  Reader in(text.substr(0, check));
  HistoryRecord r;
  auto field = [&](std::string_view name) -> std::optional<std::string_view> {
    const auto line = in.line();
    if (!line || line->substr(0, name.size() + 1) != std::string(name) + " ") return std::nullopt;
    return line->substr(name.size() + 1);
  };
  auto numberOf = [](std::optional<std::string_view> word) -> std::optional<std::int64_t> {
    if (!word) return std::nullopt;
    return number(*word);
  };
  if (in.line() != std::optional<std::string_view>(kHeader)) return std::nullopt;
  const auto id = numberOf(field("id")), parent = numberOf(field("parent"));
  const auto kind = field("kind");
  const auto time = numberOf(field("time"));
  const auto what = field("what");
  if (!id || !parent || !kind || !time || !what || *id > 999999999 || *parent >= *id) return std::nullopt;
  const auto k = std::find(std::begin(kKindWords), std::end(kKindWords), *kind);
  const auto decoded = wordDecoded(*what);
  if (k == std::end(kKindWords) || !decoded) return std::nullopt;
  r.id = static_cast<int>(*id);
  r.parent = static_cast<int>(*parent);
  r.kind = static_cast<HistoryRecord::Kind>(k - std::begin(kKindWords));
  r.time = *time;
  r.what = *decoded;
  while (auto line = in.line()) {
    const auto words = split(*line);
    if (words.size() != 4 || (words[0] != "file" && words[0] != "folder")) return std::nullopt;
    HistoryItem item;
    item.folder = words[0] == "folder";
    const auto path = wordDecoded(words[1]);
    if (!path || !insideRoot(*path)) return std::nullopt;
    item.path = *path;
    std::optional<std::size_t> sizes[2];
    bool present[2];
    for (int side = 0; side < 2; ++side) {
      if (!readSide(words[2 + side], item.folder, sizes[side], present[side])) return std::nullopt;
    }
    if (!present[0] && !present[1]) return std::nullopt;
    for (int side = 0; side < 2; ++side) {
      std::optional<std::string>& to = side == 0 ? item.before : item.after;
      if (!present[side]) continue;
      if (item.folder) {
        to = std::string();
      } else if (!(to = in.bytes(*sizes[side]))) {
        return std::nullopt;
      }
    }
    r.items.push_back(std::move(item));
  }
  if (in.at() != check || r.items.empty()) return std::nullopt;
  return r;
}

bool holds(Disk& disk, const fs::path& root, const HistoryItem& item, const std::optional<std::string>& state) {
  const fs::path path = root / fromUtf8(item.path);
  if (item.folder) return disk.folderExists(path) == state.has_value();
  if (!disk.fileExists(path)) return !state.has_value();
  return state.has_value() && disk.readFile(path) == *state;
}

void History::drop() {
  usable_ = false;
  top_ = 0;
}

const HistoryRecord* History::read(int id) {
  const auto known = records_.find(id);
  if (known == records_.end()) return nullptr;
  Known& k = known->second;
  if (!k.record) {
    try {
      auto record = readRecord(disk_->readFile(folder() / recordName(id, k.parent, k.kind)));
      if (!record || record->id != id || record->parent != k.parent || record->kind != k.kind) return nullptr;
      k.record = std::move(record);
    } catch (const ShellError&) {
      unreadable_ = true;
      return nullptr;
    }
  }
  return &*k.record;
}

bool History::holdsAfter(const HistoryRecord& record) {
  for (const HistoryItem& item : record.items) {
    if (!holds(*disk_, root_, item, item.after)) return false;
  }
  return true;
}

// Whether a path of record `id` holds what was there before that record's change: what it
// replaced, or what the record before it wrote there (which differs only where `id` took in the
// editor's own writes after that record).
bool History::holdsBefore(int id, const HistoryItem& item) {
  if (holds(*disk_, root_, item, item.before)) return true;
  const auto at = records_.find(id);
  if (at == records_.end() || at == records_.begin()) return false;
  const HistoryRecord* previous = read(std::prev(at)->first);
  if (previous == nullptr) return false;
  for (const HistoryItem& was : previous->items) {
    if (was.folder == item.folder && was.path == item.path) return holds(*disk_, root_, was, was.after);
  }
  return false;
}

void History::load(Disk& disk, const fs::path& root, std::int64_t) {
  disk_ = &disk;
  root_ = root;
  records_.clear();
  newest_ = top_ = 0;
  usable_ = true;
  unreadable_ = false;
  // A failure to read the history's own folder leaves the history empty for this run and
  // deletes nothing; one to read the test's files is the test's, and is reported as always.
  std::vector<std::string> names;
  try {
    if (!disk.folderExists(folder())) return;
    names = disk.listFiles(folder(), "*");
    for (const auto& name : names) {
      const auto n = parseName(name);
      if (!n || recordName(n->id, n->parent, n->kind) != name) continue;
      const auto stamp = disk.stampFile(folder() / name);
      records_[n->id] = {n->parent, n->kind, stamp ? stamp->size : 0, std::nullopt};
      newest_ = std::max(newest_, n->id);
    }
  } catch (const ShellError&) {
    return drop();
  }
  if (!records_.empty()) {
    // The newest record: its change landed, or it never did (and the record, cut short or whole,
    // goes), or the test holds something else.
    const int newest = records_.rbegin()->first;
    const HistoryRecord* record = read(newest);
    if (record == nullptr && unreadable_) return drop();
    const bool landed = record != nullptr && holds(disk, root, record->items.front(), record->items.front().after);
    if (!landed) {
      if (record != nullptr && !holdsBefore(newest, record->items.front())) return drop();
      const Known& k = records_.at(newest);
      try {
        disk.deleteFile(folder() / recordName(newest, k.parent, k.kind));
      } catch (const ShellError&) {
        return drop();
      }
      records_.erase(newest);
    }
  }
  if (records_.empty()) {
    // A folder left empty (by a first change that never landed) goes; one with other files
    // stays as it is.
    try {
      if (names.size() <= 1 && disk.listFiles(folder(), "*").empty()) disk.removeFolder(folder());
    } catch (const ShellError&) {
      // Removed at a later start.
    }
    return;
  }
  const auto& [newest, known] = *records_.rbegin();
  top_ = known.kind == HistoryRecord::Move ? known.parent : newest;
  // The test must be at its point: what the newest record wrote is in the files, and so is what
  // the change at that point wrote.
  for (const int id : {newest, top_}) {
    if (records_.count(id) == 0) continue;
    const HistoryRecord* r = read(id);
    if (r == nullptr || !holdsAfter(*r)) return drop();
  }
  // What a change interrupted after its last step left for its tidying.
  tidy(disk);
}

std::vector<int> History::applied() const {
  std::vector<int> out;
  for (int id = top_;;) {
    const auto k = records_.find(id);
    if (k == records_.end() || k->second.kind == HistoryRecord::Move) return out;
    out.push_back(id);
    id = k->second.parent;
  }
}

std::vector<int> History::undone() const {
  std::vector<int> out;
  for (int at = top_;;) {
    int next = 0;
    for (const auto& [id, k] : records_) {
      if (id > at && k.parent == at && k.kind != HistoryRecord::Move) next = id;
    }
    if (next == 0) return out;
    out.push_back(next);
    at = next;
  }
}

std::vector<History::Point> History::points() {
  if (!usable_) return {};
  std::vector<int> chain = applied();
  const int bottom = chain.empty() ? top_ : records_.at(chain.back()).parent;
  std::reverse(chain.begin(), chain.end());
  const std::vector<int> later = undone();
  chain.insert(chain.end(), later.begin(), later.end());
  std::vector<Point> out;
  const HistoryRecord* first = nullptr;
  for (const int id : chain) {
    const HistoryRecord* r = read(id);
    if (r == nullptr) {
      drop();
      return {};
    }
    if (first == nullptr) first = r;
    if (r->kind != HistoryRecord::Point) continue;
    // A new stage is named by its first change when its last save completes it; ended otherwise
    // (removed unfinished, at the exit or by the button), both are named.
    const bool completed = first == r || r->what.rfind("сохранение", 0) == 0;
    out.push_back({id, r->time, completed ? first->what : first->what + ", " + r->what,
                   std::find(later.begin(), later.end(), id) != later.end(), id == top_});
    first = nullptr;
  }
  std::reverse(out.begin(), out.end());
  out.push_back({bottom, 0, {}, false, bottom == top_});
  return out;
}

std::optional<History::Point> History::undoPoint() {
  const auto all = points();
  for (std::size_t i = 0; i + 1 < all.size(); ++i) {
    if (all[i].current) return Point{all[i + 1].id, all[i].time, all[i].what, false, false};
  }
  return std::nullopt;
}

std::optional<History::Point> History::redoPoint() {
  const auto all = points();
  for (std::size_t i = 1; i < all.size(); ++i) {
    if (all[i].current && all[i - 1].undone) return all[i - 1];
  }
  return std::nullopt;
}

std::optional<std::vector<HistoryItem>> History::plan(int target) {
  if (!usable_ || target == top_) return std::nullopt;
  const std::vector<int> back = applied(), forward = undone();
  std::vector<int> through;
  bool undo = true;
  const auto down = std::find(back.begin(), back.end(), target);
  const int bottom = back.empty() ? top_ : records_.at(back.back()).parent;
  if (down != back.end() || target == bottom) {
    through.assign(back.begin(), down);
  } else {
    const auto up = std::find(forward.begin(), forward.end(), target);
    if (up == forward.end()) return std::nullopt;
    through.assign(forward.begin(), up + 1);
    undo = false;
  }
  // Undoing, the newest change tells what a path holds now and the oldest what it held at the
  // point; redoing, the other way round.
  std::vector<HistoryItem> out;
  std::map<std::pair<bool, std::string>, std::size_t> at;
  for (const int id : through) {
    const HistoryRecord* r = read(id);
    if (r == nullptr) {
      drop();
      return std::nullopt;
    }
    for (const HistoryItem& item : r->items) {
      const auto key = std::make_pair(item.folder, item.path);
      const auto& now = undo ? item.after : item.before;
      const auto& then = undo ? item.before : item.after;
      const auto found = at.find(key);
      if (found == at.end()) {
        at[key] = out.size();
        out.push_back({item.path, item.folder, now, then});
      } else {
        out[found->second].after = then;
      }
    }
  }
  std::erase_if(out, [](const HistoryItem& item) { return item.before == item.after; });
  if (out.empty()) return std::nullopt;
  return out;
}

std::optional<History::Pending> History::pending(Disk& disk, const HistoryNote& note,
                                                 std::vector<HistoryItem> items, std::int64_t now) {
  if (items.empty() || disk_ == nullptr) return std::nullopt;
  Pending p;
  p.record.id = newest_ + 1;
  p.record.parent = note.kind == HistoryRecord::Move ? note.target : usable_ ? top_ : 0;
  p.record.kind = note.kind;
  p.record.time = now;
  p.record.what = note.what;
  p.record.items = std::move(items);
  p.bytes = writeRecord(p.record);
  p.file = folder() / recordName(p.record.id, p.record.parent, p.record.kind);
  p.newFolder = !disk.folderExists(folder());
  return p;
}

std::optional<History::Pending> History::joined(const std::vector<HistoryItem>& own) {
  if (disk_ == nullptr || !usable_ || records_.empty()) return std::nullopt;
  const auto& [newest, known] = *records_.rbegin();
  if (known.kind == HistoryRecord::Move || newest != top_) return std::nullopt;
  const HistoryRecord* last = read(newest);
  if (last == nullptr) return std::nullopt;
  // The paths the editor's own writes share with the record first, so that the next start tells
  // by the first of them whether the writes landed; then the record's other paths as they were.
  std::vector<HistoryItem> shared, others = last->items;
  for (const HistoryItem& write : own) {
    const auto held = std::find_if(others.begin(), others.end(), [&](const HistoryItem& item) {
      return item.folder == write.folder && item.path == write.path;
    });
    if (held == others.end()) continue;
    HistoryItem item = *held;
    others.erase(held);
    item.after = write.after;
    // A file the change made and the editor's own write deleted is neither side: no path of the
    // record.
    if (item.before || item.after) shared.push_back(std::move(item));
  }
  if (shared.empty()) return std::nullopt;
  Pending p;
  p.record = *last;
  p.record.id = newest_ + 1;
  p.record.items = std::move(shared);
  p.record.items.insert(p.record.items.end(), others.begin(), others.end());
  p.bytes = writeRecord(p.record);
  p.file = folder() / recordName(p.record.id, p.record.parent, p.record.kind);
  return p;
}

void History::recorded(const Pending& p) {
  if (!usable_) {
    // The history starts again from this change; what was there goes with the next tidy.
    usable_ = true;
  }
  records_[p.record.id] = {p.record.parent, p.record.kind, p.bytes.size(), p.record};
  newest_ = p.record.id;
  top_ = p.record.kind == HistoryRecord::Move ? p.record.parent : p.record.id;
}

void History::tidy(Disk& disk) noexcept {
  if (disk_ == nullptr || records_.empty()) return;
  std::set<int> live;
  for (const int id : applied()) live.insert(id);
  for (const int id : undone()) live.insert(id);
  const int newest = records_.rbegin()->first;
  std::vector<int> gone;
  for (const auto& [id, k] : records_) {
    if (id != newest && (k.kind == HistoryRecord::Move || live.count(id) == 0)) gone.push_back(id);
  }
  // The oldest changes beyond the bounds, never the test's point.
  std::uint64_t size = 0;
  std::size_t count = 0;
  for (const auto& [id, k] : records_) {
    if (std::find(gone.begin(), gone.end(), id) != gone.end()) continue;
    size += k.size;
    count += k.kind != HistoryRecord::Move;  // the changes kept; the newest move is no change
  }
  std::vector<int> back = applied();
  while (!back.empty() && back.back() != top_ && (count > kHistoryRecords || size > kHistoryBytes)) {
    const int oldest = back.back();
    back.pop_back();
    gone.push_back(oldest);
    size -= records_.at(oldest).size;
    --count;
  }
  // The history starts at a whole test, never inside a new stage's entry: a change whose parent
  // went with the oldest and was an open one goes too.
  while (!back.empty() && back.back() != top_) {
    const auto parent = records_.find(records_.at(back.back()).parent);
    if (parent == records_.end() || parent->second.kind != HistoryRecord::Open ||
        std::find(gone.begin(), gone.end(), parent->first) == gone.end()) {
      break;
    }
    gone.push_back(back.back());
    back.pop_back();
  }
  for (const int id : gone) {
    const Known& k = records_.at(id);
    try {
      disk.deleteFile(folder() / recordName(id, k.parent, k.kind));
    } catch (const std::exception&) {
      continue;  // deleted after a later change
    }
    records_.erase(id);
  }
}

}  // namespace shell
