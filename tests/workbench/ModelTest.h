#pragma once

#include <filesystem>

#include "workbench/Test.h"

namespace workbench_test {

// The model test of the repository (sample/) as a workbench::Test, its values taken from the
// lines its files hold by the shell's named lines.
workbench::Test modelTest(const std::filesystem::path& root = MODEL_SHELL_DIR);

// A question of Windows-1251 bytes: text, four answers, right answer, picture.
workbench::Question question(std::string text, std::array<std::string, 4> answers,
                             std::string right = "1", std::string picture = "00");

}  // namespace workbench_test
