#pragma once

#include <cstddef>
#include <string>

namespace shell {

// "1 строка", "3 строки", "12 строк": a count with the Russian noun form it takes.
std::string countOf(std::size_t n, const char* one, const char* few, const char* many);

// The reason of a failed system call, in Russian, from its errno value.
std::string systemReason(int error);

}  // namespace shell
