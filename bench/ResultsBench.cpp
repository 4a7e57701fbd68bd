// A lesson's results afterwards, timed: the list of 100 lessons from the store (of every test and
// of one), one lesson of 30 pupils and 100 questions read back, its statistics, and its exports
// (.xlsx, CSV, the printed page) written through a temporary beside the target and synced, as the
// teacher's window writes them. Prints the medians; each should be well under a second.
// Usage: results_bench [folder to keep the exports in]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "lesson/Score.h"
#include "lesson/SqliteStore.h"
#include "results/Export.h"
#include "results/Statistics.h"
#include "shell/Disk.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kLessons = 100, kPupils = 30, kStages = 10;

// The median of `runs` runs of `work`, in milliseconds.
double median(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::string keyBytes() {
  std::string key;
  for (int i = 0; i < 10; ++i) key += (i == 1 ? std::to_string(kStages) : i == 7 ? "60" : "// head") + std::string("\r\n");
  for (int slot = 0; slot < 100; ++slot) key += std::to_string(slot % 4 + 1) + "\r\n// after\r\n";
  return key;
}

}  // namespace

int main(int argc, char** argv) {
  const char* base = std::getenv("BENCH_SCRATCH");
  const fs::path scratch = (base != nullptr ? fs::path(base) : fs::temp_directory_path()) /
                           ("results-bench-" + std::to_string(std::random_device{}()));
  const fs::path keep = argc > 1 ? fs::path(argv[1]) : scratch / "exports";
  fs::create_directories(scratch);
  fs::create_directories(keep);
  {
    lesson::SqliteStore store(scratch / "results.sqlite");
    const lesson::Key key = lesson::readKey(keyBytes());
    std::mt19937 random(1);
    std::int64_t last = 0;
    const Clock::time_point filling = Clock::now();
    for (int l = 0; l < kLessons; ++l) {
      lesson::LessonRecord record{0, l % 2 ? "/home/учитель/Тесты/Физика" : "/home/учитель/Тесты/Информатика",
                                  "Курс " + std::to_string(l), lesson::isoUtc(std::chrono::system_clock::now()),
                                  keyBytes(), kStages, "60", {}};
      for (int slot = 0; slot < key.questions(); ++slot) {
        record.questions.push_back({"Вопрос " + std::to_string(slot + 1) + ": сколько бит в байте? √ x²",
                                    {"один", "два", "восемь", "шестнадцать"}});
      }
      last = store.addLesson(record);
      for (int p = 0; p < kPupils; ++p) {
        lesson::ResultRecord r;
        r.lesson = last;
        r.posted.course = record.course;
        r.posted.student = "Ученик " + std::to_string(p + 1) + " Фамилия";
        r.posted.group = p % 2 ? "9А" : "9Б";
        r.posted.questions = std::to_string(key.questions());
        for (int slot = 0; slot < key.questions(); ++slot) {
          r.posted.answers += (slot ? "," : "") + std::to_string(random() % 5);
        }
        r.posted.elapsed = std::to_string(600 + random() % 1200);
        r.score = lesson::scoreAgain(key, record.course, r.posted);
        r.address = "192.168.0." + std::to_string(p + 10);
        r.received = lesson::isoUtc(std::chrono::system_clock::now());
        store.addResult(r);
      }
    }
    std::printf("store of %d lessons, %d pupils each, %d questions: filled in %.0f ms\n", kLessons, kPupils,
                key.questions(), std::chrono::duration<double, std::milli>(Clock::now() - filling).count());

    std::size_t all = 0, one = 0;
    const double allMs = median(21, [&] { all = store.lessonList(std::nullopt).size(); });
    std::printf("%-52s %8.2f ms\n", ("the list of every lesson (" + std::to_string(all) + ")").c_str(), allMs);
    const double oneMs = median(21, [&] { one = store.lessonList("/home/учитель/Тесты/Физика").size(); });
    std::printf("%-52s %8.2f ms\n", ("the list of one test's lessons (" + std::to_string(one) + ")").c_str(), oneMs);
    std::optional<lesson::LessonRecord> lesson;
    std::vector<lesson::ResultRecord> results;
    std::printf("%-52s %8.2f ms\n", "one lesson and its results read back",
                median(21, [&] {
                  lesson = store.lesson(last);
                  results = store.results(last);
                }));
    int counted = 0;
    const double statsMs = median(21, [&] { counted = results::statistics(*lesson, results).counted; });
    std::printf("%-52s %8.2f ms\n", ("its statistics (" + std::to_string(counted) + " pupils)").c_str(), statsMs);
    shell::RealDisk disk;
    const std::pair<results::Format, const char*> formats[] = {{results::Format::Xlsx, "xlsx"},
                                                               {results::Format::Csv, "csv"},
                                                               {results::Format::Page, "html"}};
    for (const auto& [format, name] : formats) {
      const fs::path target = keep / fs::path(u8"Урок 9А." + std::u8string(reinterpret_cast<const char8_t*>(name)));
      const double ms = median(11, [&] { results::saveResults(disk, target, format, *lesson, results, store.file()); });
      std::printf("%-52s %8.2f ms  (%ju bytes)\n", (std::string("the exported .") + name + ", written and synced").c_str(), ms,
                  static_cast<std::uintmax_t>(fs::file_size(target)));
    }
  }
  fs::remove_all(scratch);
  return 0;
}
