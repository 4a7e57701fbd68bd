// Times every editor operation on a copy of the model shell and on a full shell of 10 stages,
// and each against its floors. The first table: the editor on the real disk against the same
// file calls replayed with plain system calls and the same durability. The second: the syncs
// and renames of the editor against the least its guarantee needs for the bytes that actually
// change, and the times of both on a disk whose every sync takes 25 ms, as on a USB stick.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <stdexcept>
#include <tuple>

#include "bench/Replay.h"
#include "lifecycle/Editor.h"
#include "workbench/Check.h"
#include "workbench/PrintPage.h"
#include "shell/History.h"
#include "workbench/QuestionText.h"
#include "lifecycle/Generators.h"

namespace {

namespace fs = std::filesystem;
using lifecycle::Editor;

class YesDialogs final : public lifecycle::Dialogs {
 public:
  bool confirm(const std::string&, const std::string&) override { return true; }
  void inform(const std::string&, const std::string&) override {}
  Answer ask(const std::string&, const std::string&) override { return Answer::Yes; }
};

class NoonClock final : public lifecycle::Clock {
 public:
  double secondsSinceMidnight() override { return 43217.4; }
};

std::string readText(const fs::path& f) {
  std::string out;
  if (FILE* in = std::fopen(f.c_str(), "rb")) {
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) out.append(buf, n);
    std::fclose(in);
  }
  return out;
}

void writeText(const fs::path& f, const std::string& bytes) {
  FILE* out = std::fopen(f.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

// Replaces line `index` (0-based, CR LF lines) of a file.
void setLine(const fs::path& file, std::size_t index, const std::string& value) {
  const std::string bytes = readText(file);
  std::size_t start = 0;
  for (std::size_t i = 0; i < index; ++i) start = bytes.find("\r\n", start) + 2;
  const std::size_t end = bytes.find("\r\n", start);
  writeText(file, bytes.substr(0, start) + value + bytes.substr(end));
}

fs::path g_scratch;
volatile std::size_t g_sink = 0;  // what an operation that writes nothing made, kept
std::map<std::string, fs::path> g_shells;  // shell name -> prepared source folder

// A shell of `stages` stages made from the model: stages past the model's repeat its stages.
fs::path makeShell(const fs::path& model, int stages, const std::string& name) {
  const fs::path to = g_scratch / ("source-" + name);
  fs::remove_all(to);
  fs::create_directories(to);
  int modelStages = 0;
  for (const auto& e : fs::directory_iterator(model)) {
    const std::string n = e.path().filename().string();
    if (e.is_directory() && n.size() == 1 && n[0] >= '0' && n[0] <= '9') ++modelStages;
    if (!e.is_directory() || n == "pics") fs::copy(e.path(), to / n, fs::copy_options::recursive);
  }
  for (int s = 0; s < stages; ++s) {
    fs::copy(model / std::to_string(s % modelStages), to / std::to_string(s),
             fs::copy_options::recursive);
  }
  setLine(to / "1.js", 1, std::to_string(stages));
  setLine(to / "title.html", 6, std::to_string(stages));
  return to;
}

// The shell a run works on. An operation that changes the shell gets a fresh copy for every
// run; one that only reads it keeps the copy, so that editor and floor are timed alike on
// files the system has seen before.
fs::path workFolder() { return g_scratch / "work"; }

fs::path freshCopy(const std::string& shell, bool changes = true) {
  const fs::path work = workFolder();
  static std::string kept;
  if (!changes && kept == shell && fs::exists(work)) return work;
  fs::remove_all(work);
  fs::copy(g_shells.at(shell), work, fs::copy_options::recursive);
  kept = changes ? "" : shell;
  return work;
}

struct Scenario {
  std::string name;
  bool startupTimed;                  // the operation is start-up itself
  bool changes;                       // the operation writes to the shell
  std::function<void(Editor&)> prepare;
  std::function<void(Editor&)> run;
  // The floor of the first table is the files the operation changed, each written in place and
  // synced, and each of their folders synced once: what any program that writes them durably
  // must do. Otherwise the operation's own calls replayed plainly.
  bool writesOnlyFloor = false;
};

// Runs the scenario on a fresh copy, calling `timed` around the operation.
template <typename Timed>
void runOnce(const Scenario& sc, const std::string& shell, shell::Disk& disk, Timed timed) {
  const fs::path root = freshCopy(shell, sc.changes);
  YesDialogs dialogs;
  NoonClock clock;
  lifecycle::FixedStartRandom random;
  Editor editor({disk, dialogs, clock, random, nullptr}, root);
  if (sc.startupTimed) {
    timed([&] { editor.Form_Load(); });
    return;
  }
  editor.Form_Load();
  if (sc.prepare) sc.prepare(editor);
  // Only the operation's own calls are replayed by the floor.
  if (auto* recording = dynamic_cast<bench::RecordingDisk*>(&disk)) {
    recording->calls.clear();
    recording->written.clear();
  }
  timed([&] { sc.run(editor); });
}

double seconds(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The calls of one run of an operation, and the test before and after it.
struct Recorded {
  std::vector<bench::FileCall> calls;
  std::vector<std::string> written;
  bench::Snapshot before, after;
};

// The calls of writing, in place and synced, every file that differs between a shell and its
// source (in a folder made for it where the source has none), then syncing each of their folders
// once.
void writesOnly(const fs::path& work, const fs::path& source, Recorded& floor) {
  floor.calls.clear();
  floor.written.clear();
  std::set<fs::path> folders;
  for (const auto& entry : fs::directory_iterator(work)) {
    if (entry.is_directory() && !fs::exists(source / entry.path().filename())) {
      floor.calls.push_back({bench::Call::MakeFolder, entry.path(), {}, {}, 0});
    }
  }
  for (const auto& entry : fs::recursive_directory_iterator(work)) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = entry.path().lexically_relative(work);
    const std::string bytes = readText(entry.path());
    if (fs::exists(source / relative) && readText(source / relative) == bytes) continue;
    floor.calls.push_back({bench::Call::PutFile, entry.path(), {}, {}, bytes.size()});
    floor.written.push_back(bytes);
    folders.insert(entry.path().parent_path());
  }
  for (const auto& folder : folders) floor.calls.push_back({bench::Call::SyncFolder, folder, {}, {}, 0});
}

Recorded record(const Scenario& sc, const std::string& shell) {
  bench::RecordingDisk recording;
  Recorded out;
  runOnce(sc, shell, recording, [&](const std::function<void()>& f) {
    out.before = bench::snapshot(workFolder());
    f();
    out.after = bench::snapshot(workFolder());
  });
  out.calls = std::move(recording.calls);
  out.written = std::move(recording.written);
  if (sc.writesOnlyFloor) writesOnly(workFolder(), g_shells.at(shell), out);
  return out;
}

// The times of an operation and of its floor, in seconds. Each run of the editor is followed by
// a run of its floor, on a fresh copy of the same shell, so that both meet the disk (and its
// syncs, whose cost drifts with whatever else the machine writes) in the same state.
struct Figures {
  std::vector<double> editor, floor;
};

Figures measure(const Scenario& sc, const std::string& shell, const Recorded& rec, int runs) {
  Figures out;
  for (int i = 0; i < runs; ++i) {
    // The editor as it ships, on the real disk; the recording disk only tells the floor its calls.
    shell::RealDisk disk;
    runOnce(sc, shell, disk, [&](const std::function<void()>& f) { out.editor.push_back(seconds(f)); });
    freshCopy(shell, sc.changes);
    out.floor.push_back(seconds([&] { bench::replay(rec.calls, rec.written); }));
  }
  return out;
}

// The same on a disk whose every sync takes `delay` longer: the editor, its calls replayed
// plainly, and the least writing that lands the same change after the same look-ups.
struct SlowFigures {
  std::vector<double> editor, same, least;
};

SlowFigures measureSlow(const Scenario& sc, const std::string& shell, const Recorded& rec,
                        const std::vector<bench::PlainStep>& least, int runs,
                        std::chrono::microseconds delay) {
  SlowFigures out;
  for (int i = 0; i < runs; ++i) {
    bench::SlowSyncDisk disk(delay);
    runOnce(sc, shell, disk,
            [&](const std::function<void()>& f) { out.editor.push_back(seconds(f)); });
    freshCopy(shell, sc.changes);
    out.same.push_back(seconds([&] { bench::replay(rec.calls, rec.written, delay); }));
    freshCopy(shell, sc.changes);
    out.least.push_back(seconds([&] {
      bench::replay(rec.calls, rec.written, delay, true);
      bench::run(least, delay);
    }));
  }
  return out;
}

// Files opened for writing, syncs and renames: of the editor's calls, and of the least writing.
struct Counts {
  int written = 0, syncs = 0, renames = 0;
};

Counts counts(const std::vector<bench::FileCall>& calls) {
  Counts c;
  for (const auto& call : calls) {
    c.written += call.kind == bench::Call::PutFile || call.kind == bench::Call::PutFileUnsynced;
    c.syncs += bench::syncs(call.kind);
    c.renames += call.kind == bench::Call::RenameFile;
  }
  return c;
}

Counts counts(const std::vector<bench::PlainStep>& steps) {
  Counts c;
  for (const auto& step : steps) {
    c.written += step.kind == bench::PlainStep::Write;
    c.syncs += step.kind == bench::PlainStep::Write || step.kind == bench::PlainStep::SyncFolder;
    c.renames += step.kind == bench::PlainStep::Rename;
  }
  return c;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void chooseQuestion(Editor& e, int stage, int question) {
  e.selectList1(stage - 1);
  if (!e.selectList2(question - 1)) e.List2_Click();
}

// From the teacher's choice of the file to the test changed: the file and the test read, the
// plan, and the import's one change.
Scenario importAll(bool writesOnly) {
  return {writesOnly ? "import 100 questions, floor in place" : "import 100 questions", false, true, {},
          [](Editor& e) {
            const auto bytes = e.readChosenFile(g_scratch / "questions.txt");
            const workbench::ReadResult read = workbench::readQuestions(bytes.value_or(""));
            const workbench::ImportPlan plan = workbench::planImport(read, e.readTest(), {1, 1});
            if (!plan.problems.empty()) throw std::runtime_error("the benchmark's questions do not import");
            e.importQuestions(read.questions, plan);
          },
          writesOnly};
}

// A file of a hundred questions as a teacher writes one, each different from the model's.
void writeQuestions(const fs::path& file) {
  std::string out;
  for (int n = 1; n <= 100; ++n) {
    out += std::to_string(n) + ". Вопрос " + std::to_string(n) + " из файла: сколько будет " + std::to_string(n) +
           " + 1?\r\n";
    const char* const labels[] = {"А", "Б", "В", "Г"};
    for (int a = 0; a < 4; ++a) {
      out += std::string(a == n % 4 ? "+" : "") + labels[a] + ") " + std::to_string(n + a) + "\r\n";
    }
    out += "\r\n";
  }
  writeText(file, out);
}

std::vector<Scenario> scenarios(int stages) {
  const int last = stages;
  return {
      {"start-up", true, false, {}, {}},
      {"choose a question", false, false, [=](Editor& e) { chooseQuestion(e, last - 1, 1); },
       [](Editor& e) { e.selectList2(4); }},
      {"save a question", false, true,
       [=](Editor& e) {
         chooseQuestion(e, last - 1, 3);
         e.form.Text1[2] = "changed";
       },
       [](Editor& e) { e.cmdSave_Click(); }},
      {"save a question and its answer", false, true,
       [=](Editor& e) {
         chooseQuestion(e, last - 1, 3);
         e.form.Text1[2] = "changed";
         e.form.Text1[5] = e.form.Text1[5] == "1" ? "2" : "1";
       },
       [](Editor& e) { e.cmdSave_Click(); }},
      {"create a stage", false, true, {}, [](Editor& e) { e.cmdNewL_Click(); }},
      {"remove the last stage", false, true, [=](Editor& e) { chooseQuestion(e, last, 2); },
       [](Editor& e) { e.cmdDelLast_Click(); }},
      {"mix the test", false, true, [=](Editor& e) { chooseQuestion(e, 2, 5); },
       [](Editor& e) { e.cmdMix_Click(); }},
      {"exit, nothing changed", false, true, [=](Editor& e) { chooseQuestion(e, 1, 1); },
       [](Editor& e) { e.cmdEnd_Click(); }},
      // Against its own calls replayed, and against the pages and the key it wrote, each written
      // in place and synced (no commit at all).
      importAll(false),
      importAll(true),
      // The test as a whole, read from disk: its slips found; its printable page made (the
      // pictures read and put inside it), not written.
      {"check the test", false, false, {},
       [](Editor& e) { g_sink = g_sink + workbench::checkTest(e.readTest()).size(); }},
      {"make the printed page", false, false, {},
       [](Editor& e) { g_sink = g_sink + workbench::printPage(e.readTest()).size(); }},
  };
}

std::string label(const Scenario& sc, const std::string& shell, const std::string& on) {
  return sc.name + " (" +
         (on == "nine" ? "9 -> 10 stages" : shell == "full" ? "10 stages" : "model") + ")";
}

// The shell an operation runs on: a full test takes no new stage, so that one is timed on nine
// stages growing to ten.
std::string shellFor(const Scenario& sc, const std::string& shell) {
  return sc.name == "create a stage" && shell == "full" ? "nine" : shell;
}

// Whether a call is on the history of the test's changes, in its folder beside the test.
bool onHistory(const bench::FileCall& call) {
  for (const auto& part : call.path) {
    if (part == shell::kHistoryFolder) return true;
  }
  return false;
}

// An operation's calls without those on the history: what the same change costs without it.
Recorded withoutHistory(const Recorded& rec) {
  Recorded out;
  std::size_t write = 0;
  for (const auto& call : rec.calls) {
    const bool writes = call.kind == bench::Call::PutFile || call.kind == bench::Call::PutFileUnsynced;
    if (!onHistory(call)) {
      out.calls.push_back(call);
      if (writes) out.written.push_back(rec.written.at(write));
    }
    write += writes;
  }
  return out;
}

// A shell with a history already (one save made on it), as a test is after its first change.
fs::path withHistory(const std::string& shell) {
  const fs::path to = g_scratch / ("source-" + shell + "-history");
  fs::remove_all(to);
  fs::copy(g_shells.at(shell), to, fs::copy_options::recursive);
  shell::RealDisk disk;
  YesDialogs dialogs;
  NoonClock clock;
  lifecycle::FixedStartRandom random;
  Editor editor({disk, dialogs, clock, random, nullptr}, to);
  editor.Form_Load();
  chooseQuestion(editor, 1, 1);
  editor.form.Text1[0] += " ";
  editor.cmdSave_Click();
  return to;
}

std::string pair(int editor, int least) {
  return std::to_string(editor) + "/" + std::to_string(least);
}

}  // namespace

int main(int argc, char** argv) {
  fs::path model = SAMPLE_DIR;
  if (argc > 1) model = argv[1];
  const std::string only = argc > 2 ? argv[2] : "";  // runs only the operations whose name has it
  if (!fs::exists(model / "1.js")) {
    std::fprintf(stderr, "no model shell at %s\n", model.c_str());
    return 2;
  }
  const char* base = std::getenv("BENCH_SCRATCH");
  g_scratch = fs::path(base != nullptr ? base : fs::temp_directory_path().string()) / "editor-bench";
  fs::create_directories(g_scratch);
  g_shells["model"] = makeShell(model, 6, "model");
  g_shells["full"] = makeShell(model, 10, "full");
  g_shells["nine"] = makeShell(model, 9, "nine");
  writeQuestions(g_scratch / "questions.txt");
  const std::vector<std::pair<std::string, int>> shells{{"model", 6}, {"full", 10}};

  // The records of every operation, made once and used by both tables.
  std::vector<std::tuple<std::string, Scenario, std::string, Recorded>> ops;
  for (const auto& [shell, stages] : shells) {
    for (const Scenario& sc : scenarios(stages)) {
      if (sc.name.find(only) == std::string::npos) continue;
      const std::string on = shellFor(sc, shell);
      ops.emplace_back(label(sc, shell, on), sc, on, record(sc, on));
    }
  }

  std::printf("%-48s %6s %12s %12s %8s\n", "operation (shell)", "calls", "editor, ms", "floor, ms",
              "ratio");
  for (const auto& [name, sc, on, rec] : ops) {
    const int runs = sc.name == "mix the test" || sc.name == "create a stage" ? 40 : 100;
    const Figures f = measure(sc, on, rec, runs);
    const double editor = median(f.editor) * 1e3;
    const double floor = median(f.floor) * 1e3;
    std::printf("%-48s %6zu %12.3f %12.3f %7.2fx\n", name.c_str(), rec.calls.size(), editor, floor,
                editor / floor);
    std::fflush(stdout);
  }

  const auto delay = std::chrono::milliseconds(25);
  std::printf(
      "\nOn a disk whose every sync takes 25 ms longer: files written, syncs and renames of the "
      "editor / of the least\nthe guarantee needs for the bytes that change; times of the editor, "
      "of its own calls made plainly,\nand of the least (the same look-ups, then the least "
      "writing); ratio of the editor to the least.\n");
  std::printf("%-48s %8s %8s %8s %11s %11s %11s %8s\n", "operation (shell)", "written", "syncs",
              "renames", "editor, ms", "same, ms", "least, ms", "ratio");
  for (const auto& [name, sc, on, rec] : ops) {
    if (sc.writesOnlyFloor) continue;  // its record is of the floor, not of the editor
    // The history is no part of the guarantee (its record is written but not synced): the least
    // lands the test's own bytes that change.
    const auto ownFiles = [](bench::Snapshot files) {
      std::erase_if(files, [](const auto& file) { return file.first.starts_with(shell::kHistoryFolder); });
      return files;
    };
    const auto least = bench::leastWrites(workFolder(), ownFiles(rec.before), ownFiles(rec.after));
    const Counts e = counts(rec.calls), l = counts(least);
    // The sleeps make an operation that syncs steady in a few runs; one that does not is timed as
    // often as in the first table.
    const bool slowest = sc.name == "mix the test" || sc.name == "create a stage";
    const int runs = l.syncs == 0 ? 100 : slowest ? 5 : 10;
    const SlowFigures f = measureSlow(sc, on, rec, least, runs, delay);
    const double editor = median(f.editor) * 1e3, leastMs = median(f.least) * 1e3;
    std::printf("%-48s %8s %8s %8s %11.1f %11.1f %11.1f %7.2fx\n", name.c_str(),
                pair(e.written, l.written).c_str(), pair(e.syncs, l.syncs).c_str(),
                pair(e.renames, l.renames).c_str(), editor, median(f.same) * 1e3, leastMs,
                editor / leastMs);
    std::fflush(stdout);
  }

  // The history's share: each change made on a test that has a history already, its calls
  // replayed with the history's own (its record written with the change's new contents, not
  // synced; the oldest records deleted) and without them.
  std::printf(
      "\nThe history's share, on a test with a history, on a disk whose every sync takes 25 ms "
      "longer: files written and syncs\nwith the history / without it; times of the change's "
      "calls made plainly with the history and without it.\n");
  std::printf("%-48s %8s %8s %11s %11s %8s\n", "operation (shell)", "written", "syncs", "with, ms",
              "without, ms", "ratio");
  for (const auto& [shell, stages] : shells) g_shells[shell + "+history"] = withHistory(shell);
  for (const auto& [shell, stages] : shells) {
    for (const Scenario& sc : scenarios(stages)) {
      if (sc.name.find(only) == std::string::npos || !sc.changes || sc.writesOnlyFloor) continue;
      const std::string on = shellFor(sc, shell) == shell ? shell + "+history" : "";
      if (on.empty()) continue;
      const Recorded with = record(sc, on), without = withoutHistory(with);
      const Counts w = counts(with.calls), o = counts(without.calls);
      std::vector<double> withMs, withoutMs;
      for (int i = 0; i < 10; ++i) {
        freshCopy(on, true);
        withMs.push_back(seconds([&] { bench::replay(with.calls, with.written, delay); }));
        freshCopy(on, true);
        withoutMs.push_back(seconds([&] { bench::replay(without.calls, without.written, delay); }));
      }
      const double a = median(withMs) * 1e3, b = median(withoutMs) * 1e3;
      std::printf("%-48s %8s %8s %11.1f %11.1f %7.2fx\n", label(sc, shell, shell).c_str(),
                  pair(w.written, o.written).c_str(), pair(w.syncs, o.syncs).c_str(), a, b, a / b);
      std::fflush(stdout);
    }
  }
  fs::remove_all(g_scratch);
  return 0;
}
