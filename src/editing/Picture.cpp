// The picture of a question: the option pair "Нет"/"Да", the picture list and the preview.

#include <algorithm>

#include "lifecycle/Editor.h"
#include "shell/Layout.h"
#include "shell/Lines.h"
#include "shell/ShellError.h"

namespace lifecycle {

void Editor::optIm_Click(std::int16_t Index) {
  if (Index == 0) {
    form.Image1.clear();
    form.File2.Enabled = false;
    return;
  }
  form.File2.Enabled = true;
  if (form.File2.ListIndex >= 0) {
    loadPicture(form.File2.Path / form.File2.Names[static_cast<std::size_t>(form.File2.ListIndex)]);
  }
}

void Editor::File2_Click() {
  if (form.optIm != 1 || form.File2.ListIndex < 0) return;
  loadPicture(form.File2.Path / form.File2.Names[static_cast<std::size_t>(form.File2.ListIndex)]);
}

// A picture that cannot be read shows an empty preview: a broken picture is no reason to stop
// editing the question it belongs to.
void Editor::loadPicture(const fs::path& file) {
  try {
    form.Image1.Bytes = disk_.readFile(file);
    form.Image1.Path = file;
  } catch (const shell::ShellError&) {
    form.Image1.clear();
  }
}

// Sets the picture controls from the picture line of the page just read: "00" is no picture,
// a digit names a picture of the list. A line that names no picture of the list shows "Да"
// with no picture chosen and an empty preview; saving then keeps the line as it was. The
// picture's row is chosen before its option, so that the picture is read once.
void Editor::showPicture() {
  const std::string& line = state_.PageHead[shell::page::kPicture];
  if (line == shell::kNoPicture) {
    selectOptIm(0);
    form.Image1.clear();
    return;
  }
  const auto& names = form.File2.Names;
  const auto found = line.size() == 1 ? std::find(names.begin(), names.end(), line + ".gif") : names.end();
  form.File2.ListIndex = found == names.end() ? -1 : static_cast<int>(found - names.begin());
  const bool clicked = selectOptIm(1);  // its click shows the picture of the row
  if (found == names.end()) {
    form.Image1.clear();
  } else if (!clicked) {
    File2_Click();
  }
}

}  // namespace lifecycle
