// Times a program from its start until its first top-level window is mapped on the X display,
// and reads its peak memory a moment later; does the same for a second program and prints
// both with their ratios. Usage: window_start RUNS FOLDER PROGRAM BASELINE
// Both programs are started in FOLDER.

#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Sample {
  double startMs;
  long peakKb;
};

long peakMemoryKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

Sample once(Display* display, const char* folder, const char* program) {
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, True);  // drop what came before
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(folder) != 0) _exit(127);
    execl(program, program, static_cast<char*>(nullptr));
    _exit(127);
  }
  double ms = -1;
  for (;;) {
    // Wait for the display a tenth of a second at a time, so that a program that ends
    // without a window (a wrong path, a shell it refuses) stops the benchmark instead of
    // leaving it waiting for ever.
    if (XPending(display) == 0) {
      pollfd fd{ConnectionNumber(display), POLLIN, 0};
      poll(&fd, 1, 100);
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        std::fprintf(stderr, "%s ended (status %d) before it showed a window\n", program,
                     WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        std::exit(1);
      }
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MapNotify && !event.xmap.override_redirect) {
      ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      break;
    }
  }
  // Let the first paint and the start-up work settle before the peak is read.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const long peak = peakMemoryKb(pid);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return {ms, peak};
}

template <typename T>
T median(std::vector<T> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s RUNS FOLDER PROGRAM BASELINE\n", argv[0]);
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  // The programs are started in FOLDER, so a path relative to here is made whole first.
  for (int i = 3; i <= 4; ++i) {
    char* whole = realpath(argv[i], nullptr);
    if (whole == nullptr) {
      std::fprintf(stderr, "no program %s\n", argv[i]);
      return 2;
    }
    argv[i] = whole;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "no X display (run under xvfb-run)\n");
    return 2;
  }
  std::vector<double> startA, startB;
  std::vector<long> memA, memB;
  for (int i = 0; i < runs; ++i) {  // alternate, so that both see the same machine
    Sample a = once(display, argv[2], argv[3]);
    Sample b = once(display, argv[2], argv[4]);
    startA.push_back(a.startMs);
    memA.push_back(a.peakKb);
    startB.push_back(b.startMs);
    memB.push_back(b.peakKb);
  }
  auto row = [](const char* what, const std::vector<double>& v, const char* unit) {
    std::printf("%-34s min %9.1f  median %9.1f  max %9.1f %s\n", what,
                *std::min_element(v.begin(), v.end()), median(v),
                *std::max_element(v.begin(), v.end()), unit);
  };
  auto toMb = [](const std::vector<long>& v) {
    std::vector<double> out;
    for (long kb : v) out.push_back(kb / 1024.0);
    return out;
  };
  std::printf("window start over %d runs each (program start until its window is mapped)\n", runs);
  row("editor, window shown, ms", startA, "");
  row("baseline window, ms", startB, "");
  row("editor, peak memory, MiB", toMb(memA), "");
  row("baseline window, peak memory, MiB", toMb(memB), "");
  std::printf("ratio of medians: start %.2fx, peak memory %.2fx\n", median(startA) / median(startB),
              static_cast<double>(median(memA)) / static_cast<double>(median(memB)));
  XCloseDisplay(display);
  return 0;
}
