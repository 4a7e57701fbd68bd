#include "window/Driver.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>

#include "lesson/Rows.h"
#include "lifecycle/ShellRoot.h"
#include "shell/Layout.h"
#include "shell/Russian.h"
#include "shell/ShellError.h"
#include "window/About.h"
#include "window/Bindings.h"
#include "window/Layout.h"
#include "workbench/Check.h"
#include "workbench/PrintPage.h"
#include "workbench/QuestionText.h"

namespace window {

namespace {

bool takesFocus(Kind kind) {
  return kind != Kind::Frame && kind != Kind::Label && kind != Kind::BorderLabel && kind != Kind::Image &&
         kind != Kind::Menu && kind != Kind::MenuItem;
}

std::vector<ControlId> sortedTabOrder() {
  const auto designs = controls();
  std::vector<ControlId> order;
  for (ControlId i = 0; i < designs.size(); ++i) {
    if (designs[i].tab >= 0 && takesFocus(designs[i].kind)) order.push_back(i);
  }
  std::sort(order.begin(), order.end(),
            [&designs](ControlId a, ControlId b) { return designs[a].tab < designs[b].tab; });
  return order;
}

std::vector<std::u16string> decoded(const std::vector<std::string>& rows) {
  std::vector<std::u16string> out;
  out.reserve(rows.size());
  for (const auto& row : rows) out.push_back(fromCodePage(row));
  return out;
}

// Whether a start page of a lesson is on this computer's loopback, which no pupil can reach.
bool onLoopback(std::string_view page) {
  constexpr std::string_view scheme = "http://";
  if (page.substr(0, scheme.size()) != scheme) return false;
  const std::string_view host = page.substr(scheme.size());
  return host.substr(0, 4) == "127." || host.substr(0, 6) == "[::1]:";
}

// Sets a value through `set` only when it differs from what was last set.
template <typename Value, typename Set>
void update(std::optional<Value>& shown, const Value& now, Set set) {
  if (shown && *shown == now) return;
  set();
  shown = now;
}

}  // namespace

ControlId controlId(std::string_view name) {
  const ControlDesign* design = findControl(name);
  if (design == nullptr) throw std::logic_error("no control " + std::string(name) + " in the design");
  return static_cast<ControlId>(design - controls().data());
}

std::span<const ControlId> tabOrder() {
  static const std::vector<ControlId> order = sortedTabOrder();
  return order;
}

FieldRule fieldRule(ControlId control) {
  for (const TextBinding& field : textFields()) {
    if (controlId(field.control) == control) return field.rule;
  }
  return FieldRule::CodePage;
}

Driver::Driver(View& view, lifecycle::Dialogs& dialogs) : view_(view), dialogs_(dialogs) {
  for (const TextBinding& field : textFields()) {
    fields_.push_back({controlId(field.control), field.slot, FieldText(field.rule)});
  }
  shown_.resize(controls().size());
}

Driver::~Driver() {
  if (lesson_) lesson_->stop();
}

void Driver::attach(lifecycle::Editor& editor) {
  editor_ = &editor;
  redraw();
  showLessonItems();
}

void Driver::setProgram(Program program) { program_ = std::move(program); }

bool Driver::load() {
  if (editor_ == nullptr) return false;
  handle([this] { editor_->Form_Load(); });
  if (ended_) return false;
  shown();
  if (results_) readLessons(std::nullopt);  // the lessons of the test shown now
  return true;
}

void Driver::clicked(ControlId control) {
  std::string_view name = controls()[control].name;
  if (controls()[control].kind == Kind::MenuItem) {
    // A toolkit offers no item that the Form does not; a key may still come for one.
    if (!view_.enabled(control)) return;
    for (const ItemBinding& item : buttonItems()) {
      if (name == item.item) name = item.button;
    }
  }
  // The exit asks about a lesson running before anything else.
  if (name == "cmdEnd" && editor_ != nullptr && !ended_ && !busy_ && !lessonMayEnd(dialog::kLessonThenExit)) return;
  for (const ClickBinding& click : clickHandlers()) {
    if (name == click.control) return handle([this, h = click.handler] { (editor_->*h)(); });
  }
  for (const OptionBinding& option : options()) {
    if (name == option.control) {
      for (const OptionBinding& each : options()) shown_[controlId(each.control)].checked.reset();
      return handle([this, i = option.index] { editor_->selectOptIm(i); });
    }
  }
  for (const CommandBinding& command : commands()) {
    if (name == command.control) return run(command.command, control);
  }
}

void Driver::chosen(ControlId list, int row) {
  const std::string_view name = controls()[list].name;
  for (const SelectBinding& selection : listSelections()) {
    if (name == selection.control) {
      shown_[list].selected.reset();
      return handle([this, s = selection.select, row] { (editor_->*s)(row); });
    }
  }
}

bool Driver::closing() {
  // After an error or the exit button the editor has already ended, and the window just goes;
  // so does a window that never had an editor. A lesson running is asked about first.
  if (editor_ == nullptr) {
    stopLesson();
    return true;
  }
  if (!ended_) {
    if (busy_ || !lessonMayEnd(dialog::kLessonThenExit)) return false;
    handle([this] { editor_->Form_Unload(); });
  }
  return ended_;
}

ControlId Driver::nextFocus(ControlId from, bool back) const {
  const auto order = tabOrder();
  const auto n = static_cast<std::ptrdiff_t>(order.size());
  const auto found = std::find(order.begin(), order.end(), from);
  // From a control outside the order, Tab starts at the first and Shift+Tab at the last.
  std::ptrdiff_t at = found == order.end() ? (back ? 0 : -1) : found - order.begin();
  for (std::ptrdiff_t step = 1; step <= n; ++step) {
    at = ((at + (back ? -1 : 1)) % n + n) % n;
    if (view_.enabled(order[static_cast<std::size_t>(at)])) return order[static_cast<std::size_t>(at)];
  }
  return from;
}

void Driver::run(Command command, ControlId control) {
  if (ended_ || busy_ || (editor_ == nullptr && command != Command::About)) return;
  switch (command) {
    // The help box reads and changes nothing: no handler of the editor runs for it.
    case Command::About: return dialogs_.inform(aboutText(), aboutTitle());
    case Command::ImportQuestions: return importQuestions();
    case Command::ExportQuestions: return exportQuestions();
    case Command::OpenTest: return openTest(std::nullopt);
    case Command::OpenRecent: {
      const auto items = recentItems();
      for (std::size_t i = 0; i < items.size() && i < offered_.size(); ++i) {
        if (controlId(items[i]) == control) return openTest(offered_[i]);
      }
      return;
    }
    case Command::PrintTest: return printTest();
    case Command::CheckTest: return checkTest();
    case Command::History: return history();
    case Command::Lesson: return startLesson();
    case Command::LessonAddress: return writeLessonAddress();
    case Command::Results: return openResults();
    case Command::AddPicture: return addPicture();
    case Command::PastePicture: return pastePicture();
    case Command::ReplacePicture: return replacePicture();
  }
}

template <typename Show>
auto Driver::modal(Show show) {
  busy_ = true;
  auto answer = show();
  busy_ = false;
  return answer;
}

// The file, then the import's dialog on what the file holds, read again as often as the teacher
// asks (after mending it), then the import from the start chosen there.
void Driver::importQuestions() {
  const lifecycle::EditorState& s = editor_->state();
  const auto file = modal([&] { return view_.chooseFile(importFileDialog(s.ShellPath)); });
  if (!file) return;
  workbench::Position start{s.CurStage > 0 ? s.CurStage : 1, 1};
  for (;;) {
    std::optional<std::string> bytes;
    workbench::Test test;
    handle([&] {
      bytes = editor_->readChosenFile(*file);
      if (bytes) test = editor_->readTest();
    });
    if (ended_ || !bytes) return;
    const workbench::ReadResult read = workbench::readQuestions(*bytes);
    // A start in the stage after the last puts the questions into new stages only.
    const int stages = std::min<int>(s.StageCount + 1, shell::kMaxStages);
    const ImportDialog dialog{shell::utf8(*file), stages, start, [&](workbench::Position at) {
                                const workbench::ImportPlan plan = workbench::planImport(read, test, at);
                                return ImportPreview{plan.summary(), plan.problems.empty()};
                              }};
    const ImportAnswer answer = modal([&] { return view_.importDialog(dialog); });
    start = answer.start;
    if (answer.choice == ImportAnswer::ReadAgain) continue;
    if (answer.choice == ImportAnswer::Import) {
      const workbench::ImportPlan plan = workbench::planImport(read, test, start);
      if (plan.problems.empty()) handle([&] { editor_->importQuestions(read.questions, plan); });
    }
    return;
  }
}

// The test read as it is on disk, the file named (the course name offered), then written.
void Driver::exportQuestions() {
  std::optional<workbench::Test> test;
  handle([&] { test = editor_->readTest(); });
  if (ended_ || !test) return;
  const auto file =
      modal([&] { return view_.chooseFile(exportFileDialog(editor_->state().ShellPath, test->course)); });
  if (!file) return;
  const std::string bytes = workbench::writeQuestions(*test);
  handle([&] { editor_->writeChosenFile(*file, bytes); });
}

// Another test in this window: the folder (chosen in the system's dialog, or one of the tests
// opened last), then the test shown closed exactly as the exit button closes it (Отмена to its
// question keeps everything as it was), then the chosen folder opened with every rule of
// start-up. A folder that start-up refuses is told of with start-up's message, and the test the
// window had is opened again, by start-up too; when even that fails, the editor ends.
void Driver::openTest(std::optional<std::filesystem::path> folder) {
  if (!program_.makeEditor) return;
  const std::filesystem::path previous = editor_->state().ShellPath;
  if (!folder) {
    folder = modal([&] {
      return view_.chooseFolder({std::string(dialog::kOpenTitle), previous.parent_path()});
    });
    if (!folder) return;
  }
  if (!lessonMayEnd(dialog::kLessonThenOpen) || !closeTest()) return;
  stopLesson();
  if (!startTest(*folder, &previous)) startTest(previous, nullptr);
}

// The exit button's close, without the end of the program: true once the test is closed.
bool Driver::closeTest() {
  if (ended_ || busy_) return false;
  busy_ = true;
  collect();
  const auto error = runEvent([this] { editor_->cmdEnd_Click(); });
  if (!error && !editor_->unloaded()) redraw();
  busy_ = false;
  if (error) {
    view_.showError(*error);
    end(1);
    return false;
  }
  return editor_->unloaded();
}

// A new editor on the folder, shown and started. A folder start-up refuses is told of, with
// where the window goes back to (`back`), and false is returned; with nowhere to go back to, the
// refusal ends the editor as at the program's start.
bool Driver::startTest(const std::filesystem::path& folder, const std::filesystem::path* back) {
  busy_ = true;
  std::unique_ptr<lifecycle::Editor> next;
  auto error = runEvent([&] { next = program_.makeEditor(lifecycle::findShellRoot({}, {}, {folder})); });
  if (!error) {
    editor_ = next.get();
    owned_ = std::move(next);  // the closed editor goes
    redraw();
    error = runEvent([this] { editor_->Form_Load(); });
    if (!error) redraw();
  }
  busy_ = false;
  if (error) {
    if (back == nullptr) {
      view_.showError(*error);
      end(1);
    } else {
      dialogs_.inform(*error + "\r\rВ окне снова открывается тест «" + shell::utf8(*back) + "».",
                      std::string(kWindowCaption));
    }
    return false;
  }
  shown();
  if (results_) readLessons(std::nullopt);  // the lessons of the test shown now
  return true;
}

// A test just shown: the focus on the first control that takes it, and the test first among
// those opened last.
void Driver::shown() {
  for (const ControlId control : tabOrder()) {
    if (view_.enabled(control)) {
      view_.focus(control);
      break;
    }
  }
  if (program_.recent != nullptr) program_.recent->add(editor_->state().ShellPath);
  showRecent();
}

// The tests opened last, less the one shown, each under its number; the items without a test
// and the line under them hidden.
void Driver::showRecent() {
  offered_.clear();
  if (program_.recent != nullptr && editor_ != nullptr) {
    const std::filesystem::path shown = editor_->state().ShellPath.lexically_normal();
    for (const auto& folder : program_.recent->read()) {
      if (folder != shown && offered_.size() < recentItems().size()) offered_.push_back(folder);
    }
  }
  const auto items = recentItems();
  for (std::size_t i = 0; i < items.size(); ++i) {
    std::u16string caption;
    if (i < offered_.size()) {
      caption = u"&" + std::u16string(1, static_cast<char16_t>(u'1' + i)) + u" ";
      for (const char16_t c : fromUtf8(shell::utf8(offered_[i])).value_or(u"?")) {
        caption += c;
        if (c == u'&') caption += c;
      }
    }
    view_.setItem(controlId(items[i]), caption);
  }
  view_.setItem(controlId(kRecentBar), offered_.empty() ? u"" : u"-");
}

// The test read as it is on disk (a question changed and not saved asked about first), the file
// named (in the teacher's documents, the course name offered), written, and shown in the browser,
// where the teacher prints it.
void Driver::printTest() {
  std::optional<workbench::Test> test;
  handle([&] {
    if (editor_->settleBeforeReading()) test = editor_->readTest();
  });
  if (ended_ || !test) return;
  const std::filesystem::path folder =
      program_.documents.empty() ? editor_->state().ShellPath.parent_path() : program_.documents;
  const auto file = modal([&] { return view_.chooseFile(printFileDialog(folder, test->course)); });
  if (!file) return;
  const std::string page = workbench::printPage(*test);
  handle([&] {
    if (editor_->writeChosenFile(*file, page, lifecycle::Editor::Chosen::PrintPage)) editor_->openWritten(*file);
  });
}

// Every slip of the test as it is on disk, in a list; the row chosen shows its question, chosen
// in the lists as a click chooses it.
void Driver::checkTest() {
  std::optional<workbench::Test> test;
  handle([&] {
    if (editor_->settleBeforeReading()) test = editor_->readTest();
  });
  if (ended_ || !test) return;
  const std::vector<workbench::Finding> found = workbench::checkTest(*test);
  if (found.empty()) return dialogs_.inform(std::string(dialog::kNoFindings), std::string(dialog::kCheckTitle));
  ListDialog list{std::string(dialog::kCheckTitle),
                  "Найдено замечаний: " + std::to_string(found.size()) +
                      ". Двойной щелчок или Enter на строке показывает её вопрос в окне.",
                  {"Этап", "Вопрос", "Что не так"},
                  {},
                  std::string(dialog::kShowQuestion)};
  const auto number = [](int n) { return n > 0 ? std::to_string(n) : std::string("—"); };
  for (const workbench::Finding& f : found) list.rows.push_back({number(f.stage), number(f.question), f.what});
  const auto row = modal([&] { return view_.listDialog(list); });
  if (!row || *row >= found.size() || found[*row].stage < 1) return;
  const workbench::Finding& chosen = found[*row];
  handle([&] {
    editor_->selectList1(chosen.stage - 1);
    if (chosen.question > 0) editor_->selectList2(chosen.question - 1);
  });
}

// The question about a question changed and not saved first, then the history's points, and the
// return to the one the teacher chose.
void Driver::history() {
  bool settled = false;
  std::vector<shell::History::Point> points;
  handle([&] {
    settled = editor_->settleQuestion();
    if (settled) points = editor_->historyPoints();
  });
  if (ended_ || !settled || points.empty()) return;
  HistoryDialog dialog;
  for (const auto& point : points) {
    dialog.rows.push_back({point.time != 0 ? historyTime(point.time) : std::string(),
                           point.what.empty() ? std::string(dialog::kHistoryStart) : point.what, point.undone,
                           point.current});
  }
  const auto chosen = modal([&] { return view_.historyDialog(dialog); });
  if (!chosen || *chosen >= points.size() || points[*chosen].current) return;
  handle([&] { editor_->returnTo(points[*chosen].id); });
}

// The lesson on the test shown, as it is on disk (a changed question asked about first): its
// results' store opened, the test read and served, the lesson's window opened. What stops it is
// told of in a box, and the editor goes on: it is no fault of the test. While a lesson runs, its
// window comes to the front instead.
void Driver::startLesson() {
  if (lesson_) return view_.raiseLesson();
  if (program_.lesson.disk == nullptr) return;
  bool settled = false;
  handle([&] { settled = editor_->settleBeforeReading(); });
  if (ended_ || !settled) return;
  busy_ = true;
  std::filesystem::path file;
  std::unique_ptr<lesson::SqliteStore> store;
  auto next = std::make_unique<lesson::Lesson>();
  std::optional<std::string> error;
  try {
    file = program_.lesson.storeFile ? program_.lesson.storeFile() : lesson::SqliteStore::defaultFile();
    store = std::make_unique<lesson::SqliteStore>(file);
    next->start(editor_->state().ShellPath, *program_.lesson.disk, *store, [this] { newsArrived(); },
                program_.lesson.options);
  } catch (const shell::ShellError& e) {
    error = e.what();
  } catch (const std::exception& e) {
    std::cerr << e.what() << std::endl;
    error = "Урок не начат: внутренняя ошибка редактора. Тест не изменён, редактор работает дальше.";
  }
  busy_ = false;
  if (error) {
    next.reset();  // before its store
    return dialogs_.inform(*error, std::string(dialog::kLessonTitle));
  }
  store_ = std::move(store);
  lesson_ = std::move(next);
  storeFile_ = file;
  showLessonItems();
  showLesson();
}

// On the lesson's thread: one event posted until the window takes it, however many results come
// meanwhile.
void Driver::newsArrived() {
  if (!news_.exchange(true)) view_.postLessonNews();
}

void Driver::lessonNews() {
  // Taken before the table is read: a result kept after the reading posts news again.
  news_.store(false);
  if (lesson_) showLesson();
  // The counts of the lesson running change in the results' list too.
  if (results_) readLessons(results_->chosen ? std::optional(results_->chosen->id) : std::nullopt);
}

// The lesson's table as the store holds it now; when the store cannot be read, the rows last
// shown, with why.
void Driver::showLesson() {
  LessonTable table = shownLesson_;
  table.title = std::string(dialog::kLessonTitle) + ": " + lesson_->snapshot().course;
  table.addresses.clear();
  const std::vector<std::string> pages = lesson_->addresses();
  for (const std::string& page : pages) {
    if (!onLoopback(page)) table.addresses.push_back(page);
  }
  if (table.addresses.empty()) {
    table.addresses = pages;
    table.heading = dialog::kLessonNoNetwork;
  } else {
    table.heading = table.addresses.size() == 1 ? dialog::kLessonAddresses : dialog::kLessonAddressesMany;
  }
  table.columns = lesson::tableCaptions();
  table.problem.clear();
  try {
    const std::vector<lesson::Row> rows = lesson_->rows();
    table.rows.clear();
    for (const lesson::Row& row : rows) table.rows.push_back({lesson::tableCells(row), !row.marks.empty()});
    table.finished = std::string(dialog::kLessonFinished) + std::to_string(rows.size());
    if (const std::string problem = lesson_->problem(); !problem.empty()) table.problem = std::string(dialog::kLessonNotKept) + problem;
  } catch (const std::exception& e) {
    table.problem = e.what();
  }
  if (table.finished.empty()) table.finished = std::string(dialog::kLessonFinished) + "0";
  shownLesson_ = table;
  view_.showLesson(table);
}

// The lesson's address for the results into the test, for pupils who open it from a shared
// folder or a stick.
void Driver::writeLessonAddress() {
  if (!lesson_) return;
  const std::string address = lesson_->resultsAddress();
  handle([&] { editor_->writeResultsAddress(address); });
}

bool Driver::endLesson() {
  if (!lesson_) {
    view_.closeLesson();
    return true;
  }
  if (busy_) return false;
  const bool end = modal([&] {
    return dialogs_.confirm(std::string(dialog::kLessonEndQuestion), std::string(dialog::kLessonTitle));
  });
  if (end) stopLesson();
  return end;
}

void Driver::stopLesson() {
  if (!lesson_) return;
  lesson_->stop();  // no news after it
  lesson_.reset();
  store_.reset();
  news_.store(false);
  shownLesson_ = {};
  view_.closeLesson();
  showLessonItems();
  if (results_ && !ended_) showResults();  // the lesson may be deleted now
}

// Before the exit or another test while a lesson runs: how many have finished, and whether to end
// the lesson for it (Отмена keeps the lesson and the test).
bool Driver::lessonMayEnd(std::string_view then) {
  if (!lesson_) return true;
  std::size_t finished = shownLesson_.rows.size();
  try {
    finished = lesson_->finished();
  } catch (const std::exception&) {
    // The store cannot be read now: the count the window shows.
  }
  return modal([&] {
    return dialogs_.confirm(std::string(dialog::kLessonRunning) + pupilsFinished(finished) + std::string(then),
                            std::string(kWindowCaption));
  });
}

// The lesson's address offered in the menu only while a lesson runs.
void Driver::showLessonItems() {
  const ControlId item = controlId("mnuTestLessonAddress");
  view_.setItem(item, lesson_ ? fromUtf8(controls()[item].caption).value_or(u"") : u"");
}

// The image files are looked for where the last one was chosen, at first in the teacher's
// documents.
std::filesystem::path Driver::pictureFolder() const {
  if (!pictureFolder_.empty()) return pictureFolder_;
  return program_.documents.empty() ? editor_->state().ShellPath.parent_path() : program_.documents;
}

void Driver::addPicture() {
  const auto file = modal([&] {
    return view_.chooseFile(pictureFileDialog(pictureFolder(), std::string(dialog::kPictureTitle)));
  });
  if (!file) return;
  pictureFolder_ = file->parent_path();
  placePicture(&*file, nullptr);
}

void Driver::pastePicture() {
  const std::optional<pictures::Image> image = modal([&] { return view_.clipboardImage(); });
  if (!image) {
    return dialogs_.inform(std::string(dialog::kNoClipboardImage), std::string(dialog::kPictureTitle));
  }
  placePicture(nullptr, &*image);
}

// The picture added; with every name taken (the editor has said which pictures no question
// shows), the list of those, and the one chosen replaced after the editor's question.
void Driver::placePicture(const std::filesystem::path* file, const pictures::Image* image) {
  using Added = lifecycle::Editor::PictureAdded;
  const std::string name(dialog::kClipboardName);
  Added added = Added::NotAdded;
  handle([&] { added = file != nullptr ? editor_->addPicture(*file) : editor_->addPicture(*image, name); });
  if (ended_ || added != Added::AllTaken) return;
  std::vector<int> unused;
  handle([&] { unused = editor_->unusedPictures(); });
  if (ended_ || unused.empty()) return;
  const auto row = modal([&] { return view_.listDialog(replaceListDialog(unused)); });
  if (!row || *row >= unused.size()) return;
  const int digit = unused[*row];
  handle([&] {
    if (file != nullptr) {
      editor_->replacePicture(digit, *file);
    } else {
      editor_->replacePicture(digit, *image, name);
    }
  });
}

// The picture shown made anew from a file; the editor asks first, saying how many questions
// show it.
void Driver::replacePicture() {
  if (!showsReplaceablePicture(editor_->form)) return;
  const std::string shownName = editor_->form.Image1.Path.filename().string();
  const int digit = shownName[0] - '0';
  const auto file = modal([&] {
    return view_.chooseFile(pictureFileDialog(
        pictureFolder(), std::string(dialog::kReplaceTitle) + " " + shownName));
  });
  if (!file) return;
  pictureFolder_ = file->parent_path();
  handle([&] { editor_->replacePicture(digit, *file); });
}

void Driver::end(int status) {
  stopLesson();
  ended_ = true;
  exitCode_ = status;
  view_.quit(status);
}

// The event boundary: texts in, the handler, everything out, and the end of the run when the
// handler failed or unloaded the window.
template <typename Call>
void Driver::handle(Call call) {
  if (ended_ || busy_ || editor_ == nullptr) return;
  busy_ = true;
  collect();
  const auto error = runEvent(call);
  if (!error) redraw();
  busy_ = false;
  if (error) {
    stopLesson();
    ended_ = true;
    exitCode_ = 1;
    view_.showError(*error);
    view_.quit(1);
  } else if (editor_->unloaded()) {
    stopLesson();
    ended_ = true;
    view_.quit(0);
  }
}

void Driver::collect() {
  for (Field& field : fields_) field.slot(editor_->form) = field.text.take(view_.text(field.control));
}

void Driver::redraw() {
  const lifecycle::Form& f = editor_->form;
  const bool wasBusy = busy_;
  busy_ = true;
  // After a change of the test every field is set again, so that a field's own undo takes back
  // only what was typed since the question was saved or shown.
  const bool changed = editor_->changesMade() != changesShown_;
  changesShown_ = editor_->changesMade();
  for (Field& field : fields_) {
    const std::u16string& text = field.text.fill(field.slot(editor_->form));
    if (changed || view_.text(field.control) != text) view_.setText(field.control, text);
  }
  const Rgb colour = f.Text1Red ? Rgb{255, 0, 0} : Rgb{0, 0, 0};
  for (const std::string_view name : questionFields()) {
    const ControlId id = controlId(name);
    update(shown_[id].colour, colour, [&] { view_.setTextColour(id, colour); });
  }
  for (const ListView& list : listViews(f)) {
    const ControlId id = controlId(list.control);
    std::vector<std::u16string> rows = decoded(list.rows);
    const int count = static_cast<int>(rows.size());
    const int selected = list.selected >= 0 && list.selected < count ? list.selected : -1;
    if (shown_[id].rows != rows) {
      view_.setRows(id, rows);
      shown_[id].rows = std::move(rows);
      shown_[id].selected = -1;
    }
    update(shown_[id].selected, selected, [&] { view_.select(id, selected); });
  }
  for (const CaptionView& label : captionViews(f)) {
    const ControlId id = controlId(label.control);
    const std::u16string caption = fromCodePage(label.caption);
    update(shown_[id].caption, caption, [&] { view_.setText(id, caption); });
  }
  for (const MenuCaptionView& item : menuCaptionViews(f)) {
    const ControlId id = controlId(item.control);
    const std::u16string caption = fromUtf8(item.caption).value_or(u"");
    update(shown_[id].caption, caption, [&] { view_.setText(id, caption); });
  }
  for (const EnabledView& state : enabledViews(f)) {
    const ControlId id = controlId(state.control);
    update(shown_[id].enabled, state.enabled, [&] { view_.setEnabled(id, state.enabled); });
  }
  for (const OptionBinding& option : options()) {
    const ControlId id = controlId(option.control);
    const bool checked = f.optIm == option.index;
    update(shown_[id].checked, checked, [&] { view_.setChecked(id, checked); });
  }
  const ControlId picture = controlId(kPicture);
  update(shown_[picture].picture, f.Image1.Bytes, [&] { view_.setPicture(picture, f.Image1.Bytes); });
  busy_ = wasBusy;
}

void Driver::showQuestion(int stage, int question) {
  handle([&] {
    editor_->selectList1(stage - 1);
    editor_->selectList2(question - 1);
  });
}

}  // namespace window
