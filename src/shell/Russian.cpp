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
#ifdef EDQUOT  // not in the Windows C library
    case EDQUOT: return "исчерпана дисковая квота";
#endif
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

// The codes by their numbers from winerror.h, so that the table builds and is tested on every
// system.
std::string systemReasonWin(unsigned long error) {
  switch (error) {
    case 2:     // ERROR_FILE_NOT_FOUND
    case 3:     // ERROR_PATH_NOT_FOUND
      return "не найден";
    case 5:     // ERROR_ACCESS_DENIED: also what Windows answers for a file another program
                // holds open without letting it be replaced or deleted
      return "нет прав доступа, или файл занят другой программой";
    case 32:    // ERROR_SHARING_VIOLATION
    case 33:    // ERROR_LOCK_VIOLATION
      return "занят другой программой";
    case 4:     // ERROR_TOO_MANY_OPEN_FILES
      return "открыто слишком много файлов";
    case 19:    // ERROR_WRITE_PROTECT
      return "диск защищён от записи";
    case 21:    // ERROR_NOT_READY
      return "диск не готов";
    case 17:    // ERROR_NOT_SAME_DEVICE
      return "другой диск";
    case 23:    // ERROR_CRC
    case 29:    // ERROR_WRITE_FAULT
    case 30:    // ERROR_READ_FAULT
    case 1117:  // ERROR_IO_DEVICE
      return "ошибка ввода-вывода";
    case 39:    // ERROR_HANDLE_DISK_FULL
    case 112:   // ERROR_DISK_FULL
      return "на диске нет места";
    case 53:    // ERROR_BAD_NETPATH
    case 59:    // ERROR_UNEXP_NET_ERR
    case 64:    // ERROR_NETNAME_DELETED
      return "сетевой диск недоступен";
    case 80:    // ERROR_FILE_EXISTS
    case 183:   // ERROR_ALREADY_EXISTS
      return "уже существует";
    case 123:   // ERROR_INVALID_NAME
      return "недопустимое имя";
    case 145:   // ERROR_DIR_NOT_EMPTY
      return "папка не пуста";
    case 206:   // ERROR_FILENAME_EXCED_RANGE
      return "слишком длинное имя";
    case 267:   // ERROR_DIRECTORY
      return "это файл, а не папка";
    default:
      return "системная ошибка Windows " + std::to_string(error);
  }
}

std::string utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string utf8Generic(const std::filesystem::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace shell
