// Fuzzes the line-table reader with every file shape of the shell: whatever the bytes, it
// either reads them or refuses them with a ShellError, and a table it reads is written back
// with the same lines.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/LineTable.h"
#include "shell/Lines.h"
#include "shell/ShellError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const shell::TableShape shapes[] = {shell::kTitleShape, shell::kIndex1Shape, shell::kIndexShape,
                                      shell::kAnswerKeyShape, shell::kPageShape};
  const shell::TableShape shape = shapes[data[0] % 5];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<std::string> head(shape.head), tail(shape.tailCapacity);
  std::int16_t count = -1;
  try {
    shell::readTable(bytes, shape, "fuzz", head, tail, count);
  } catch (const shell::ShellError&) {
    return 0;
  }
  if (count < 0 || static_cast<std::size_t>(count) > shape.tailCapacity) std::abort();
  // Written back and read again, the table is the same.
  const std::string written = shell::writeTable(head, tail, count);
  std::vector<std::string> head2(shape.head), tail2(shape.tailCapacity);
  std::int16_t count2 = -1;
  shell::readTable(written, shape, "fuzz", head2, tail2, count2);
  if (head2 != head || count2 != count || tail2 != tail) std::abort();
  if (shell::writeTable(head2, tail2, count2) != written) std::abort();
  return 0;
}
