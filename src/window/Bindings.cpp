#include "window/Bindings.h"

#include <iostream>

#include "shell/Layout.h"
#include "shell/ShellError.h"
#include "window/Layout.h"

namespace window {

namespace {

using lifecycle::Editor;
using lifecycle::Form;

constexpr auto kPage = FieldRule::References;
constexpr auto kScript = FieldRule::CodePage;

constexpr TextBinding kTextFields[] = {
    {"Text2", [](Form& f) -> std::string& { return f.Text2; }, kPage},
    {"Text3", [](Form& f) -> std::string& { return f.Text3; }, kPage},
    {"txtAddr", [](Form& f) -> std::string& { return f.txtAddr; }, kScript},
    {"txtT", [](Form& f) -> std::string& { return f.txtT; }, kScript},
    {"txtMin", [](Form& f) -> std::string& { return f.txtMin; }, kScript},
    {"Text1(0)", [](Form& f) -> std::string& { return f.Text1[0]; }, kPage},
    {"Text1(1)", [](Form& f) -> std::string& { return f.Text1[1]; }, kPage},
    {"Text1(2)", [](Form& f) -> std::string& { return f.Text1[2]; }, kPage},
    {"Text1(3)", [](Form& f) -> std::string& { return f.Text1[3]; }, kPage},
    {"Text1(4)", [](Form& f) -> std::string& { return f.Text1[4]; }, kPage},
    {"Text1(5)", [](Form& f) -> std::string& { return f.Text1[5]; }, kScript},
};

constexpr ClickBinding kClicks[] = {
    {"cmdSave", &Editor::cmdSave_Click},       {"cmdNewL", &Editor::cmdNewL_Click},
    {"cmdNewN", &Editor::cmdNewN_Click},       {"cmdDelLast", &Editor::cmdDelLast_Click},
    {"cmdMix", &Editor::cmdMix_Click},         {"cmdEnd", &Editor::cmdEnd_Click},
    {"mnuHelpGuide", &Editor::mnuHelpGuide_Click},
    {"mnuTestBrowser", &Editor::mnuTestBrowser_Click},
    {"mnuTestQuestionBrowser", &Editor::mnuTestQuestionBrowser_Click},
    {"mnuEditUndo", &Editor::mnuEditUndo_Click}, {"mnuEditRedo", &Editor::mnuEditRedo_Click},
};

constexpr ItemBinding kButtonItems[] = {
    {"mnuFileExit", "cmdEnd"},   {"mnuTestNewStage", "cmdNewL"}, {"mnuTestDelLast", "cmdDelLast"},
    {"mnuTestMix", "cmdMix"},    {"mnuHelpAbout", "cmdAbout"},
    {"mnuEditAddPicture", "cmdAddPicture"},
};

constexpr CommandBinding kCommands[] = {
    {"cmdAbout", Command::About},
    {"mnuFileImport", Command::ImportQuestions},
    {"mnuFileExport", Command::ExportQuestions},
    {"mnuFileOpen", Command::OpenTest},
    {"mnuFileRecent1", Command::OpenRecent},
    {"mnuFileRecent2", Command::OpenRecent},
    {"mnuFileRecent3", Command::OpenRecent},
    {"mnuFileRecent4", Command::OpenRecent},
    {"mnuFileRecent5", Command::OpenRecent},
    {"mnuTestPrint", Command::PrintTest},
    {"mnuTestCheck", Command::CheckTest},
    {"mnuEditHistory", Command::History},
    {"mnuTestLesson", Command::Lesson},
    {"mnuTestLessonAddress", Command::LessonAddress},
    {"mnuTestResults", Command::Results},
    {"cmdAddPicture", Command::AddPicture},
    {"mnuEditPastePicture", Command::PastePicture},
    {"mnuEditReplacePicture", Command::ReplacePicture},
};

// Ctrl+V pastes a picture only where no text is typed: the text fields keep their own paste.
constexpr std::string_view kPictureKeyPlaces[] = {"File2", "Image1"};
constexpr KeyPlaces kKeyPlaces[] = {{"mnuEditPastePicture", kPictureKeyPlaces}};

constexpr std::string_view kRecentItems[] = {"mnuFileRecent1", "mnuFileRecent2", "mnuFileRecent3",
                                             "mnuFileRecent4", "mnuFileRecent5"};

constexpr SelectBinding kSelections[] = {
    {"List1", &Editor::chooseList1},
    {"List2", &Editor::chooseList2},
    {"File2", &Editor::selectFile2},
};

}  // namespace

std::span<const TextBinding> textFields() { return kTextFields; }
std::span<const ClickBinding> clickHandlers() { return kClicks; }
std::span<const SelectBinding> listSelections() { return kSelections; }
std::span<const ItemBinding> buttonItems() { return kButtonItems; }
std::span<const CommandBinding> commands() { return kCommands; }
std::span<const std::string_view> recentItems() { return kRecentItems; }

std::span<const std::string_view> keyPlaces(std::string_view item) {
  for (const KeyPlaces& places : kKeyPlaces) {
    if (places.item == item) return places.controls;
  }
  return {};
}

bool showsQuestion(const Form& f) { return f.cmdSave.Enabled && f.List2.ListIndex >= 0; }

bool showsReplaceablePicture(const Form& f) {
  return showsQuestion(f) && !f.Image1.empty() && shell::isPictureName(f.Image1.Path.filename().string());
}

std::vector<ListView> listViews(const Form& f) {
  std::vector<std::string> folders;
  for (const auto& entry : f.Dir1.Entries) folders.push_back(entry.filename().string());
  return {
      {"List1", f.List1.Rows, f.List1.ListIndex},
      {"List2", f.List2.Rows, f.List2.ListIndex},
      {"File1", f.File1.Names, f.File1.ListIndex},
      {"File2", f.File2.Names, f.File2.ListIndex},
      {"Dir1", std::move(folders), f.Dir1.ListIndex},
  };
}

std::vector<CaptionView> captionViews(const Form& f) {
  return {{"Label9", f.Label9.Caption}, {"Label11", f.Label11.Caption}};
}

std::vector<EnabledView> enabledViews(const Form& f) {
  std::vector<EnabledView> views{
      {"cmdSave", f.cmdSave.Enabled},       {"cmdEnd", f.cmdEnd.Enabled},
      {"cmdAbout", f.cmdAbout.Enabled},     {"cmdMix", f.cmdMix.Enabled},
      {"cmdNewL", f.cmdNewL.Enabled},       {"cmdNewN", f.cmdNewN.Enabled},
      {"cmdDelLast", f.cmdDelLast.Enabled}, {"List1", f.List1.Enabled},
      {"List2", f.List2.Enabled},           {"File1", f.File1.Enabled},
      {"File2", f.File2.Enabled},           {"Dir1", f.Dir1.Enabled},
      {"Label9", f.Label9.Enabled},         {"Label11", f.Label11.Enabled},
      {"mnuFileImport", f.mnuFileImport.Enabled},
      {"mnuEditUndo", f.mnuEditUndo.Enabled}, {"mnuEditRedo", f.mnuEditRedo.Enabled},
      {"mnuEditHistory", f.mnuEditHistory.Enabled},
      {"mnuTestLessonAddress", f.mnuTestLessonAddress.Enabled},
      // A picture is added to the question shown, and one shown may be made anew.
      {"cmdAddPicture", showsQuestion(f)}, {"mnuEditPastePicture", showsQuestion(f)},
      {"mnuEditReplacePicture", showsReplaceablePicture(f)},
  };
  for (const ItemBinding& item : kButtonItems) {
    for (std::size_t i = 0, n = views.size(); i < n; ++i) {
      if (views[i].control == item.button) views.push_back({item.item, views[i].enabled});
    }
  }
  return views;
}

std::vector<MenuCaptionView> menuCaptionViews(const Form& f) {
  // Its letter stays the first; an "&" of what the history says is no letter.
  auto caption = [](const std::string& text) {
    std::string out = "&";
    for (const char c : text) out += c == '&' ? std::string("&&") : std::string(1, c);
    return out;
  };
  return {{"mnuEditUndo", caption(f.mnuEditUndo.Caption)}, {"mnuEditRedo", caption(f.mnuEditRedo.Caption)}};
}

std::span<const OptionBinding> options() {
  static constexpr OptionBinding kOptions[] = {{"optIm(0)", 0}, {"optIm(1)", 1}};
  return kOptions;
}

std::span<const std::string_view> questionFields() {
  static constexpr std::string_view kFields[] = {"Text1(0)", "Text1(1)", "Text1(2)",
                                                 "Text1(3)", "Text1(4)", "Text1(5)"};
  return kFields;
}

std::optional<std::string> runEvent(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const shell::ShellError& error) {
    return std::string(error.what());
  } catch (const std::exception& error) {
    std::cerr << error.what() << std::endl;
    return std::string(kInternalError);
  }
  return std::nullopt;
}

}  // namespace window
