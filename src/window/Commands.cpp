#include "window/Commands.h"

#include <ctime>

#include "window/Fields.h"

namespace window {

namespace {

std::vector<std::pair<std::string, std::string>> textFiles() {
  return {{"Текстовые файлы", "*.txt"}, {"Все файлы", "*"}};
}

}  // namespace

std::string historyTime(std::int64_t secondsSince1970) {
  const std::time_t t = static_cast<std::time_t>(secondsSince1970);
  const std::tm* local = std::localtime(&t);
  if (local == nullptr) return {};
  char out[32];
  std::strftime(out, sizeof out, "%d.%m.%Y %H:%M", local);
  return out;
}

std::string pupilsFinished(std::size_t count) {
  if (count == 0) return "ещё никто не закончил тест";
  const std::size_t last = count % 10, lastTwo = count % 100;
  const bool one = last == 1 && lastTwo != 11;
  const bool few = last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14);
  return std::to_string(count) + (one ? " ученик закончил тест" : few ? " ученика закончили тест" : " учеников закончили тест");
}

FileDialog importFileDialog(const std::filesystem::path& folder) {
  return {false, std::string(dialog::kImportTitle), textFiles(), folder, {}, {}};
}

FileDialog exportFileDialog(const std::filesystem::path& folder, const std::string& course) {
  return {true, std::string(dialog::kExportTitle), textFiles(), folder, fileNameOf(course) + ".txt", "txt"};
}

FileDialog printFileDialog(const std::filesystem::path& folder, const std::string& course) {
  return {true, std::string(dialog::kPrintTitle), {{"Страницы HTML", "*.html"}, {"Все файлы", "*"}}, folder,
          fileNameOf(course) + ".html", "html"};
}

FileDialog pictureFileDialog(const std::filesystem::path& folder, std::string title) {
  return {false,
          std::move(title),
          {{"Рисунки", "*.png *.jpg *.jpeg *.bmp *.gif *.tif *.tiff *.PNG *.JPG *.JPEG *.BMP *.GIF *.TIF *.TIFF"},
           {"Все файлы", "*"}},
          folder,
          {},
          {}};
}

ListDialog replaceListDialog(const std::vector<int>& unused) {
  ListDialog list{std::string(dialog::kReplaceTitle),
                  "Новому рисунку не осталось имени. Эти рисунки не показаны ни в одном вопросе: "
                  "выберите тот, на место которого записать новый.",
                  {"Рисунок"},
                  {},
                  std::string(dialog::kReplaceChoose)};
  for (const int digit : unused) list.rows.push_back({std::to_string(digit) + ".gif"});
  return list;
}

std::string fileNameOf(const std::string& course) {
  std::u16string name;
  for (const char16_t c : fromCodePage(course, FieldRule::References)) {
    if (c < 0x20 || c == 0x7F || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos) continue;
    name += c;
  }
  const auto edge = [](char16_t c) { return c == u' ' || c == u'.'; };
  while (!name.empty() && edge(name.back())) name.pop_back();
  std::size_t first = 0;
  while (first < name.size() && edge(name[first])) ++first;
  name.erase(0, first);
  if (name.size() > 100) {
    // Not between the halves of a character beyond the first plane.
    std::size_t cut = 100;
    if (name[cut - 1] >= 0xD800 && name[cut - 1] < 0xDC00) --cut;
    name.resize(cut);
    while (!name.empty() && edge(name.back())) name.pop_back();
  }
  return name.empty() ? "Вопросы теста" : toUtf8(name);
}

}  // namespace window
