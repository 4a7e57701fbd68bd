#pragma once

#include <stdexcept>
#include <string>

namespace shell {

// The one error of the editor. Its text names the file (or folder) and what is wrong with it,
// in Russian, for the teacher who has to act on it: "title.html: 9 строк, нужно не меньше 13".
class ShellError : public std::runtime_error {
 public:
  ShellError(std::string file, std::string problem)
      : std::runtime_error(file.empty() ? problem : file + ": " + problem),
        file_(std::move(file)),
        problem_(std::move(problem)) {}

  const std::string& file() const { return file_; }
  const std::string& problem() const { return problem_; }

 private:
  std::string file_;
  std::string problem_;
};

}  // namespace shell
