// Times every editor operation on a copy of the model shell and on a full shell of 10 stages,
// and each against its floor: the same file calls replayed with plain system calls and the
// same durability. Prints each figure and its ratio to the floor.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>

#include "bench/Replay.h"
#include "lifecycle/Editor.h"
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
fs::path freshCopy(const std::string& shell, bool changes = true) {
  const fs::path work = g_scratch / "work";
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

void editorBench(benchmark::State& state, Scenario sc, std::string shell) {
  for (auto _ : state) {
    // The editor as it ships, on the real disk; the recording disk only tells the floor its calls.
    shell::RealDisk disk;
    double t = 0;
    runOnce(sc, shell, disk, [&](const std::function<void()>& f) { t = seconds(f); });
    state.SetIterationTime(t);
  }
}

void floorBench(benchmark::State& state, Scenario sc, std::string shell) {
  bench::RecordingDisk recorded;
  runOnce(sc, shell, recorded, [](const std::function<void()>& f) { f(); });
  state.counters["calls"] = static_cast<double>(recorded.calls.size());
  for (auto _ : state) {
    freshCopy(shell, sc.changes);
    state.SetIterationTime(seconds([&] { bench::replay(recorded.calls, recorded.written); }));
  }
}

void chooseQuestion(Editor& e, int stage, int question) {
  e.selectList1(stage - 1);
  if (!e.selectList2(question - 1)) e.List2_Click();
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
      {"create a stage", false, true, {}, [](Editor& e) { e.cmdNewL_Click(); }},
      {"remove the last stage", false, true, [=](Editor& e) { chooseQuestion(e, last, 2); },
       [](Editor& e) { e.cmdDelLast_Click(); }},
      {"mix the test", false, true, [=](Editor& e) { chooseQuestion(e, 2, 5); },
       [](Editor& e) { e.cmdMix_Click(); }},
      {"shutdown", false, true, [=](Editor& e) { chooseQuestion(e, 1, 1); },
       [](Editor& e) { e.Form_Unload(); }},
  };
}

// Collects the runs and prints each editor figure with its ratio to its floor.
class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) {
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      std::string name = r.run_name.function_name;
      const std::string kind = name.substr(0, name.find('/'));
      const std::string op = name.substr(name.find('/') + 1);
      (kind == "editor" ? editor_ : floor_)[op] = r.GetAdjustedRealTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-46s %12s %12s %8s\n", "operation / shell", "editor, ms", "floor, ms", "ratio");
    for (const auto& [op, t] : editor_) {
      const double f = floor_.count(op) ? floor_[op] : 0;
      std::printf("%-46s %12.3f %12.3f %7.2fx\n", op.c_str(), t, f, f > 0 ? t / f : 0.0);
    }
  }

 private:
  std::map<std::string, double> editor_, floor_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  fs::path model = SAMPLE_DIR;
  if (argc > 1) model = argv[1];
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

  for (const auto& [shell, stages] : {std::pair<std::string, int>{"model", 6}, {"full", 10}}) {
    for (const Scenario& sc : scenarios(stages)) {
      // A full test takes no new stage: that one is timed on nine stages growing to ten.
      const std::string on = sc.name == "create a stage" && shell == "full" ? "nine" : shell;
      const std::string label = sc.name + " (" + (on == "nine" ? "9 -> 10 stages" : shell == "full" ? "10 stages" : "model shell") + ")";
      const int iterations = sc.name == "mix the test" || sc.name == "create a stage" ? 30 : 60;
      benchmark::RegisterBenchmark(("editor/" + label).c_str(), editorBench, sc, on)
          ->UseManualTime()->Iterations(iterations)->Repetitions(3)
          ->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("floor/" + label).c_str(), floorBench, sc, on)
          ->UseManualTime()->Iterations(iterations)->Repetitions(3)
          ->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
    }
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  fs::remove_all(g_scratch);
  return 0;
}
