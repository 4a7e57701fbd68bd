#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace shell {

// "1 строка", "3 строки", "12 строк": a count with the Russian noun form it takes.
std::string countOf(std::size_t n, const char* one, const char* few, const char* many);

// The reason of a failed system call, in Russian, from its errno value.
std::string systemReason(int error);

// The reason of a failed Windows call, in Russian, from its GetLastError() code.
std::string systemReasonWin(unsigned long error);

// A path as UTF-8 text for a message. On Windows, path::string() would go through the ANSI
// code page and could garble or refuse a folder named in Russian.
std::string utf8(const std::filesystem::path& path);
// The same with '/' between the parts on every system ("2/3.html").
std::string utf8Generic(const std::filesystem::path& path);

}  // namespace shell
