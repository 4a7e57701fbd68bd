#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <string>
#include <vector>

#include "lifecycle/EditorState.h"
#include "lifecycle/Form.h"
#include "lifecycle/Seams.h"
#include "pictures/Decoder.h"
#include "pictures/Image.h"
#include "shell/Change.h"
#include "shell/Disk.h"
#include "workbench/QuestionText.h"
#include "workbench/Test.h"

namespace lifecycle {

// The editor: its state, the model of its window's controls, and the handlers of the window's
// events under the names of the events. Every handler works on the state and on `form` and on
// the shell through the disk; an error is thrown as shell::ShellError and ends the run.
class Editor {
 public:
  struct Seams {
    shell::Disk& disk;
    Dialogs& dialogs;
    Clock& clock;
    Random& random;
    Screen* screen = nullptr;    // none when the editor runs without a window
    Browser* browser = nullptr;  // none when there is no browser to open pages in
    // The system's reader of image files; none where files are not read as pictures (an image
    // already decoded is still taken).
    pictures::Decoder* decoder = nullptr;
  };

  // `guide`: the teacher's guide that ships beside the program.
  Editor(const Seams& seams, fs::path shellRoot, fs::path guide = {});

  // What the editor holds of the test; only its handlers change it.
  const EditorState& state() const { return state_; }
  // The window's controls: the window writes the fields' texts before a handler, and shows what a
  // handler leaves.
  Form form;

  // Opens the test: reads its files, shows its stages and settings.
  void Form_Load();
  // Closing the window: asks about a changed question, removes an unfinished new stage, writes
  // the settings; Отмена to the question keeps the editor open (unloaded() stays false).
  void Form_Unload();
  // "Выход": the same, after clearing the pages an interrupted mixing left in the test's folder.
  void cmdEnd_Click();

  // The teacher's own choice of a stage or a question in the lists: a question changed and not
  // saved is asked about first (settleQuestion), and Отмена keeps the row that was chosen.
  // Returns whether the choice was made.
  bool chooseList1(int row);
  bool chooseList2(int row);
  // The question shown, changed and not saved, is asked about before anything else shows
  // another question or changes the test: Да saves it as the save button does, Нет drops the
  // edits (the question is shown as it was read or last saved), and both go on; false for
  // Отмена, and nothing is done. A question unchanged since it was shown asks nothing.
  bool settleQuestion();

  // Choosing a stage shows its questions and one of them.
  void List1_Click();
  // Choosing a question shows its text, answers, right answer and picture.
  void List2_Click();
  // "Сохранить изменения": writes the question shown and the settings.
  void cmdSave_Click();
  // "Нет"/"Да" for the question's picture: none, or the one chosen in the picture list.
  void optIm_Click(std::int16_t Index);
  // Choosing a picture in the list shows it.
  void File2_Click();

  // "Создание нового этапа": a new last stage made from the pages of the one before, whose
  // questions are then entered one by one.
  void cmdNewL_Click();
  // "Создание нового вопроса": opens the next question of the new stage.
  void cmdNewN_Click();
  // "Удалить последний этап": after the teacher confirms, the last stage goes with its pages.
  void cmdDelLast_Click();
  // "Смена порядка следования вопросов": the questions change places across the whole test,
  // each with its right answer.
  void cmdMix_Click();

  // "Руководство": the teacher's guide in the system's browser.
  void mnuHelpGuide_Click();

  // The history of the test's changes (shell/History.h). "Отменить" takes the last change back,
  // "Вернуть" brings the last change taken back again, and returnTo brings the test to a point of
  // the list historyPoints gives, in one change each. None is made while a new stage is entered,
  // nor where the test's files no longer hold what the history says they do (the teacher is
  // told, and the history is no longer offered). After each the test is read again as start-up
  // reads it, and the question the change touched is shown.
  void mnuEditUndo_Click();
  void mnuEditRedo_Click();
  void returnTo(int point);
  std::vector<shell::History::Point> historyPoints();

  // The whole test as its files hold it: every question of every stage (of the last stage, the
  // questions open while a new stage is entered), the settings and the pictures.
  workbench::Test readTest();
  // The questions of a text file into the test at the places of the plan, in one change: each
  // replaces the text, answers, right answer and picture of a question, and the stages the plan
  // adds are made as a new stage is made. The question shown, changed and not saved, is asked
  // about first (Отмена imports nothing); what the import replaced is shown at once. Nothing is
  // imported while a new stage is entered, or by a plan with problems.
  void importQuestions(const std::vector<workbench::TextQuestion>& questions, const workbench::ImportPlan& plan);
  // A file the teacher chose outside the test: read, or written whole in place of the one there
  // (through a temporary beside it). A file that cannot be read or written is no fault of the
  // test: the teacher is told why, and the editor goes on. A file of the test itself is refused.
  // Questions written out as text may go beside index.html as a .txt file; the printable page
  // is never written into the test's folder.
  enum class Chosen { QuestionsText, PrintPage };
  std::optional<std::string> readChosenFile(const fs::path& file);
  bool writeChosenFile(const fs::path& file, const std::string& bytes, Chosen what = Chosen::QuestionsText);

  // "Открыть тест в браузере": the test's start page in the system's browser, as the pupils start
  // it; "Открыть вопрос в браузере": the page of the question shown. The browser shows what is on
  // disk, so a question changed and not saved is asked about first, as at the exit: Да saves it,
  // Нет goes on without saving, Отмена opens nothing.
  void mnuTestBrowser_Click();
  void mnuTestQuestionBrowser_Click();
  // The same question before the whole test is read from disk (to check it); false for Отмена.
  bool settleBeforeReading();

  // «Записать адрес урока в тест»: `address` (the code page's bytes, one line) becomes the result
  // handler's address of the test, in title.html and index.html, as the exit writes the typed
  // one, in one change of its own that the history names; the field shows it. Everything else
  // typed and not saved stays typed. Nothing is written while a new stage is entered, nor when
  // the test holds the address already (the teacher is told so).
  void writeResultsAddress(const std::string& address);
  // A page the editor has just written outside the test, opened in the system's browser; the
  // teacher is told where it lies when no browser could be started.
  void openWritten(const fs::path& file);

  // A new picture for the question shown, from an image file the teacher chose or an image the
  // window has decoded (the clipboard's; `name` names it in messages): made a GIF of 315×272
  // (pictures/Picture.h), it takes the lowest free digit of the pictures folder (1.gif .. 9.gif;
  // a name taken in any letter case counts, as Windows takes it), becomes the picture of the
  // question, and the question is saved with it as the save button saves it: the picture and
  // the page (with the settings and the key the save writes) in one change, which one undo takes
  // back. The picture list is read anew and shows the new picture, chosen. An image that cannot
  // be made a picture (no image, damaged, more than 50 megapixels) is told of, naming it, and
  // nothing is written. With all nine digits taken the teacher is told which pictures no question
  // shows: AllTaken says there are some, one of which the window may offer to replace
  // (unusedPictures, then replacePicture); nothing is written then either.
  // An image smaller than the box keeps its size, centred, unless `enlarge`.
  enum class PictureAdded { Added, NotAdded, AllTaken };
  PictureAdded addPicture(const fs::path& file, bool enlarge = false);
  PictureAdded addPicture(const pictures::Image& image, const std::string& name, bool enlarge = false);
  // The pictures 1.gif .. 9.gif that no question of the test shows (the pages of a new stage not
  // yet entered count as questions), by their digits, read from the test on disk.
  std::vector<int> unusedPictures();
  // The picture of a digit made anew from an image, after the teacher agreed to a question that
  // says how many questions show it; the question shown, if any, is given that picture and saved
  // with it, in the same one change. False when nothing was changed.
  bool replacePicture(int digit, const fs::path& file, bool enlarge = false);
  bool replacePicture(int digit, const pictures::Image& image, const std::string& name, bool enlarge = false);

  // Selecting a row or an option from code, which has the effect of the user's click: when
  // the selection changes, the control's click handler runs at once. Each returns whether it
  // ran. The window routes the user's own selections through these too.
  bool selectList1(int row);
  bool selectList2(int row);
  bool selectOptIm(int index);
  bool selectFile2(int row);

  // True once the window has been unloaded: the program is to end.
  bool unloaded() const { return unloaded_; }
  // How many changes of the test have landed in this run (undo, redo and returns included).
  int changesMade() const { return changesMade_; }

 private:
  // The change of the click being handled. A handler that another handler calls adds to its
  // caller's change; the change lands whole when the outermost handler commits it, and is
  // dropped, with nothing of it in the test, when a handler stops on an error.
  class Batch {
   public:
    explicit Batch(Editor& editor);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    void commit();

   private:
    Editor& editor_;
    bool outer_;
  };
  std::unique_ptr<shell::Change> change_;
  shell::Change& change() { return *change_; }
  // The bytes of the files the editor read or wrote last, so that a click writes only the files
  // whose bytes change. The test's own files are read through it.
  shell::KnownFiles known_;

  EditorState state_;
  shell::Disk& disk_;
  Dialogs& dialogs_;
  Clock& clock_;
  Random& random_;
  Screen* screen_;
  Browser* browser_;
  pictures::Decoder* decoder_;
  fs::path shellRoot_;
  fs::path guide_;
  bool unloaded_ = false;

  // Start-up.
  void refuseNoTest();
  void listRoot(const std::vector<std::string>& folders);
  // The root's folders of the test, listed now or as the caller has just listed them.
  std::vector<std::string> testFolders();
  std::vector<std::string> testFolders(std::vector<std::string> listed);
  std::vector<fs::path> refuseOutsideLinks();
  void removeLeftovers(const std::vector<fs::path>& files);
  void warnIfReadOnly();
  void rebuildStageList();
  void readAnswerKey();
  void repairStageCount();
  void readRootPages();

  // The shell's files as the state holds them.
  fs::path rootFile(const char* name) const;
  std::string shown(const fs::path& path) const;  // a path as messages name it, UTF-8
  enum class Address { AsRead, Typed };
  void takeSettings(int stages, Address address);
  void writeRootPages();
  void writeAnswerKey();
  // The number of stages into 1.js and title.html, their other lines as the files hold them.
  void writeStageCount();

  // Shutdown.
  void unload();
  bool settingsTyped() const;

  // The history: the change being made described for it (the last description wins; a move
  // leads to a point), the menu's items shown as the history stands, a move to a point, and the
  // test read again after one.
  shell::History history_;
  int changesMade_ = 0;
  bool historyUnwritableTold_ = false;
  void tellHistoryUnwritable(const std::string& why);
  void describe(std::string what, shell::HistoryRecord::Kind kind = shell::HistoryRecord::Point, int target = 0);
  void showHistory();
  void moveTo(std::optional<shell::History::Point> point, const char* refused);
  void load();
  void reload(const std::vector<shell::HistoryItem>& changed);

  // Question editing. The question as it was shown or last saved: its six fields and the
  // picture line a save would write; leaving the editor asks about a question that differs.
  struct QuestionView {
    decltype(Form::Text1) fields;
    std::string picture;
    bool operator==(const QuestionView&) const = default;
  };
  QuestionView savedQuestion_;
  QuestionView questionView() const;
  std::string pictureLine() const;
  // A question into the head lines of its page, as a save writes it: its text and answers, its
  // picture line, and its ordinal where the page is to carry it.
  using PageLines = decltype(EditorState::PageHead);
  static void putQuestion(PageLines& page, int stage, int question, std::span<const std::string, shell::page::kFields> fields,
                          const std::string& picture, bool ordinal);
  void fillQuestionRows(int last);
  void readPage();
  void showPicture();
  void loadPicture(const fs::path& file);

  // New pictures: an image given as a file or decoded, made a GIF (nothing, after the teacher
  // was told why, when it cannot be); the names the picture list offers; the lowest digit free;
  // how many questions show each picture; the picture put in place for the question shown.
  struct ImageGiven {
    const fs::path* file = nullptr;
    const pictures::Image* image = nullptr;
    std::string name;
    bool enlarge = false;
  };
  std::optional<std::string> pictureOf(const ImageGiven& given);
  PictureAdded addPicture(const ImageGiven& given);
  bool replacePicture(int digit, const ImageGiven& given);
  std::vector<std::string> listPictures();
  std::optional<int> freePicture();
  std::map<std::string, int> pictureUses();
  void putPicture(const std::string& name, const std::string& gif, std::string what);

  // Volume and order. The last stage goes with its pages, without asking (the removal button
  // asks first; shutdown removes an unfinished new stage).
  void RemoveLastStage();
  // A new stage's pages: copies of the last stage's, as templates. `folders` are the root's
  // folders of the test as just listed; the next stage's folder must be free among them.
  using Files = std::vector<std::pair<std::string, std::string>>;
  Files stageTemplates(const std::vector<std::string>& folders);
  // The stages' folders made and shown in the lists: `folders` as listed before, the new ones
  // added.
  void showNewFolders(std::vector<std::string> folders, int added);
  void applyVolumeLimits();
  void cleanRoot();
  void forgetQuestion();
};

}  // namespace lifecycle
