// Fuzzes start-up over a shell made from the input, then drives the editor through a stage
// choice, a save, a new stage, mixing and shutdown. Any outcome but a clean run or a
// ShellError (a crash, another exception, a sanitizer report, a hang) is a fault.
//
// Input: sections separated by the two bytes "#@": 1.js, title.html, index1.html, index.html,
// two control bytes (stage folders, pictures), then the bytes of one question page that
// replaces page 0.html of the first stage. Missing sections leave a well-formed file.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lifecycle/Editor.h"
#include "shell/ShellError.h"
#include "lifecycle/Generators.h"

namespace {

namespace fs = std::filesystem;

class NoDialogs final : public lifecycle::Dialogs {
 public:
  bool confirm(const std::string&, const std::string&) override { return true; }
  void inform(const std::string&, const std::string&) override {}
  Answer ask(const std::string&, const std::string&) override { return Answer::No; }
};

class StillClock final : public lifecycle::Clock {
 public:
  double secondsSinceMidnight() override { return 12345.5; }
};

void put(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::string lines(int count, const std::string& prefix) {
  std::string out;
  for (int i = 0; i < count; ++i) out += prefix + std::to_string(i) + "\r\n";
  return out;
}

std::string page() {
  return "<html>\r\n1\r\n<p>\r\n00\r\n<p>\r\nQ\r\n<p>\r\nA1\r\n<p>\r\nA2\r\n<p>\r\nA3\r\n<p>\r\nA4\r\n";
}

fs::path workFolder() {
  const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  return base / ("startup-fuzz-" + std::to_string(::getpid()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> sections;
  for (std::size_t start = 0;;) {
    const std::size_t at = input.find("#@", start);
    sections.push_back(input.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 2;
  }
  auto section = [&](std::size_t i, std::string fallback) {
    return i < sections.size() ? sections[i] : fallback;
  };

  const fs::path root = workFolder();
  std::error_code ignored;
  fs::remove_all(root, ignored);
  fs::create_directories(root / "pics");
  const std::string control = section(4, "\x06\x02");
  const int stages = control.empty() ? 6 : static_cast<unsigned char>(control[0]) % 11;
  const int pictures = control.size() < 2 ? 2 : static_cast<unsigned char>(control[1]) % 4;
  std::string js = lines(10, "// ") ;
  js.replace(js.find("// 1\r\n"), 6, std::to_string(stages) + "\r\n");
  for (int i = 0; i < 100; ++i) js += "1\r\n//\r\n";
  put(root / "1.js", section(0, js));
  put(root / "title.html", section(1, lines(13, "t")));
  put(root / "index1.html", section(2, lines(2, "i")));
  put(root / "index.html", section(3, lines(18, "x")));
  for (int n = 1; n <= pictures; ++n) put(root / "pics" / (std::to_string(n) + ".gif"), "GIF89a");
  for (int s = 0; s < stages; ++s) {
    fs::create_directory(root / std::to_string(s));
    for (int q = 0; q < 10; ++q) put(root / std::to_string(s) / (std::to_string(q) + ".html"), page());
  }
  if (stages > 0 && sections.size() > 5) put(root / "0" / "0.html", sections[5]);

  shell::RealDisk disk;
  NoDialogs dialogs;
  StillClock clock;
  lifecycle::FixedStartRandom random;
  lifecycle::Editor editor({disk, dialogs, clock, random, nullptr}, root);
  try {
    editor.Form_Load();
    editor.selectList1(0);
    editor.selectList2(0);
    editor.cmdSave_Click();
    if (editor.form.cmdMix.Enabled) editor.cmdMix_Click();
    if (editor.form.cmdNewL.Enabled) editor.cmdNewL_Click();
    editor.Form_Unload();
  } catch (const shell::ShellError&) {
  }
  fs::remove_all(root, ignored);
  return 0;
}
