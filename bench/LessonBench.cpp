// A class at a lesson on this computer's loopback: every pupil (a thread, one kept connection)
// loads every file of the model test, as the quiz does, then posts a result, all pupils at once.
// Prints the times; the figures of a real class depend on its network and on the disk's syncs,
// which each result waits for.
// Usage: lesson_bench [model test folder] [pupils, default 30]

#include <algorithm>
#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "lesson/Lesson.h"
#include "lesson/SqliteStore.h"

namespace fs = std::filesystem;
namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void summary(const char* what, std::vector<double> times, double wall) {
  std::sort(times.begin(), times.end());
  std::printf("%-34s %6zu in %8.1f ms: %8.0f a second; each median %6.2f ms, 95%% %6.2f ms, most %6.2f ms\n", what,
              times.size(), wall, times.size() * 1000.0 / wall, times[times.size() / 2],
              times[times.size() * 95 / 100], times.back());
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path sample = argc > 1 ? fs::path(argv[1]) : fs::path(SAMPLE_DIR);
  const int pupils = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
  // The store's syncs are timed on the disk of BENCH_SCRATCH, as the editor's benchmark does.
  const char* base = std::getenv("BENCH_SCRATCH");
  const fs::path scratch = (base != nullptr ? fs::path(base) : fs::temp_directory_path()) /
                           ("lesson-bench-" + std::to_string(std::random_device{}()));
  fs::create_directories(scratch);
  fs::copy(sample, scratch / "test", fs::copy_options::recursive);
  int status = 0;
  {
    shell::RealDisk disk;
    lesson::SqliteStore store(scratch / "results.sqlite");
    lesson::Lesson lesson;
    lesson::LessonOptions options;
    options.server.listen = {"127.0.0.1"};
    options.resultsPerMinute = pupils;  // every pupil comes from 127.0.0.1 here
    const Clock::time_point startAt = Clock::now();
    lesson.start(scratch / "test", disk, store, [] {}, options);
    std::printf("lesson started in %.1f ms on port %u; %d pupils at once\n", ms(Clock::now() - startAt),
                lesson.port(), pupils);
    std::vector<std::string> files;
    std::size_t bytes = 0;
    for (const auto& [name, content] : lesson.snapshot().files) {
      files.push_back("/" + name);
      bytes += content.size();
    }
    std::string answers;
    for (int slot = 0; slot < lesson.snapshot().key.questions(); ++slot) answers += (slot ? "," : "") + std::string("1");
    const std::string form = "student=bench&group=1&answers=" + answers + "&right=0&percent=0";

    std::vector<std::vector<double>> gets(pupils), posts(pupils);
    std::atomic<int> failures{0};
    const auto pupil = [&](int who, bool post) {
      try {
        asio::io_context ioc;
        tcp::socket socket(ioc);
        socket.connect({asio::ip::make_address("127.0.0.1"), lesson.port()});
        beast::flat_buffer buffer;
        const auto ask = [&](http::request<http::string_body>& request, std::vector<double>& times) {
          const Clock::time_point began = Clock::now();
          http::write(socket, request);
          http::response<http::string_body> response;
          http::read(socket, buffer, response);
          times.push_back(ms(Clock::now() - began));
          if (response.result_int() != 200) ++failures;
        };
        if (!post) {
          for (const std::string& file : files) {
            http::request<http::string_body> request{http::verb::get, file, 11};
            request.set(http::field::host, "bench");
            ask(request, gets[who]);
          }
        } else {
          http::request<http::string_body> request{http::verb::post, "/results", 11};
          request.set(http::field::host, "bench");
          request.set(http::field::content_type, "application/x-www-form-urlencoded");
          request.body() = form;
          request.prepare_payload();
          ask(request, posts[who]);
        }
      } catch (const std::exception& e) {
        std::fprintf(stderr, "pupil %d: %s\n", who, e.what());
        ++failures;
      }
    };
    for (const bool post : {false, true}) {
      const Clock::time_point began = Clock::now();
      std::vector<std::thread> threads;
      for (int who = 0; who < pupils; ++who) threads.emplace_back(pupil, who, post);
      for (auto& t : threads) t.join();
      const double wall = ms(Clock::now() - began);
      std::vector<double> all;
      for (const auto& times : post ? posts : gets) all.insert(all.end(), times.begin(), times.end());
      if (all.empty()) continue;
      if (!post) {
        summary("files served (GET)", all, wall);
        std::printf("%-34s %6.1f MB in all, %zu files of %zu bytes for each pupil\n", "", bytes * pupils / 1e6,
                    files.size(), bytes);
      } else {
        summary("results stored (POST, synced)", all, wall);
      }
    }
    std::printf("results in the store: %zu; failures: %d\n", store.results(lesson.id()).size(), failures.load());
    status = failures == 0 ? 0 : 1;
  }
  fs::remove_all(scratch);
  return status;
}
