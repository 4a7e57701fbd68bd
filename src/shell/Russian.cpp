#include "shell/Russian.h"

#include <cerrno>

namespace shell {

std::string countOf(std::size_t n, const char* one, const char* few, const char* many) {
  const std::size_t lastTwo = n % 100;
  const std::size_t last = n % 10;
  const char* word = many;
  if (lastTwo < 11 || lastTwo > 14) {
    if (last == 1) word = one;
    else if (last >= 2 && last <= 4) word = few;
  }
  return std::to_string(n) + " " + word;
}

std::string systemReason(int error) {
  switch (error) {
    case ENOENT: return "не найден";
    case EACCES:
    case EPERM: return "нет прав доступа";
    case ENOSPC: return "на диске нет места";
    case EDQUOT: return "исчерпана дисковая квота";
    case EROFS: return "диск доступен только для чтения";
    case EISDIR: return "это папка, а не файл";
    case ENOTDIR: return "это файл, а не папка";
    case EEXIST: return "уже существует";
    case ENOTEMPTY: return "папка не пуста";
    case EIO: return "ошибка ввода-вывода";
    case EBUSY: return "занят другой программой";
    case ENAMETOOLONG: return "слишком длинное имя";
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    default: return "системная ошибка " + std::to_string(error);
  }
}

}  // namespace shell
