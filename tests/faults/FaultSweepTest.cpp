// Every operation that changes the shell is run once to count its disk operations, then once
// for every N with the N-th operation failing before it does anything, and once more stopping
// half-way through it where it has a half-done state (a temporary written and not renamed, a
// folder made and not filled), as a kill would leave it. After each failure the editor is
// started again on that shell: the test must then be exactly as before the click or exactly as
// after it, every file, with no temporary left. Closed idle after that, the shell must be
// whole: every file in its layout, every question still in some page with its own right
// answer, and the number of stage folders agreeing with 1.js and title.html.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <iomanip>
#include <sstream>

#include "shell/Layout.h"
#include "shell/ShellError.h"
#include "support/Fixtures.h"
#include "support/Invariants.h"
#include "workbench/QuestionText.h"

namespace {

namespace fs = std::filesystem;
using support::Session;

struct Operation {
  std::string name;
  support::ShellPlan plan;
  std::function<void(const fs::path&)> shape;  // changes to the built shell
  std::function<void(Session&)> prepare;       // the moments before the operation
  std::function<void(Session&)> run;
  std::set<int> removedStages;                 // stages whose questions the operation removes
  std::map<int, std::string> newAnswers;       // slots whose answer the operation changes
};

struct Row {
  std::string name;
  int steps = 0, tried = 0, halfway = 0, held = 0;
};

using Snapshot = std::map<std::string, std::string>;

std::set<std::string> identities(const support::ShellContents& c) {
  std::set<std::string> out(c.rootPages);
  for (const auto& [slot, id] : c.pageAt) out.insert(id);
  return out;
}

Snapshot historyOf(Snapshot files) {
  const Snapshot test = support::testFilesOf(files);
  std::erase_if(files, [&](const auto& entry) { return test.count(entry.first) != 0; });
  return files;
}

std::unique_ptr<Session> prepared(const Operation& op) {
  auto s = std::make_unique<Session>(op.plan, [&](const fs::path& root) {
    support::uniqueAnswers(root);
    if (op.shape) op.shape(root);
  });
  if (op.prepare) op.prepare(*s);
  return s;
}

// The problems of a shell after an operation failed at step n (0: did not fail). The run without
// a fault gives the disk operations it made and the test as the click leaves it.
std::vector<std::string> afterFailure(const Operation& op, int n, bool halfway,
                                      std::vector<support::DiskOp>* ops, Snapshot* clicked) {
  auto session = prepared(op);
  Session& s = *session;
  support::ShellContents before;
  support::checkShell(s.root(), &before);
  const Snapshot unchanged = support::snapshot(s.root());
  s.h->ownDisk.failAt(n);
  s.h->ownDisk.halfway = halfway;
  std::vector<std::string> problems;
  bool reported = false;
  try {
    op.run(s);
  } catch (const shell::ShellError&) {
    reported = true;
    if (n == 0) problems.push_back("the operation failed without a fault");
  }
  // A picture that cannot be read only empties the preview, and a history's record the
  // history; every other failure is reported.
  const auto& log = s.h->ownDisk.log();
  const fs::path failed = n != 0 && n <= static_cast<int>(log.size()) ? log[static_cast<std::size_t>(n - 1)].path : fs::path();
  const bool picture = failed.parent_path().filename() == "pics";
  const bool history = failed.filename() == shell::kHistoryFolder || failed.parent_path().filename() == shell::kHistoryFolder;
  if (n != 0 && !reported && !picture && !history) {
    problems.push_back("the failure at step " + std::to_string(n) + " was not reported");
  }
  if (ops != nullptr) *ops = s.h->ownDisk.log();
  if (n == 0 && clicked != nullptr) *clicked = support::snapshot(s.root());

  try {
    s.restart();
    const Snapshot now = support::snapshot(s.root());
    // A history that could not take the change's record leaves the change made without it, and
    // nothing of that record: the next start keeps of the history what still matches the files.
    const bool unrecorded = history && !reported && clicked != nullptr &&
                            support::testFilesOf(now) == support::testFilesOf(*clicked) &&
                            std::ranges::includes(historyOf(unchanged), historyOf(now));
    if (n != 0 && clicked != nullptr && now != unchanged && now != *clicked && !unrecorded) {
      problems.push_back("after the restart the test is neither as before the click nor as after it:");
      for (auto& d : support::differences(*clicked, now)) problems.push_back("  " + d);
    }
    s.editor().Form_Unload();
  } catch (const shell::ShellError& e) {
    problems.push_back(std::string("the next start or close failed: ") + e.what());
    return problems;
  }
  support::ShellContents after;
  for (auto& p : support::checkShell(s.root(), &after)) problems.push_back(std::move(p));

  const auto found = identities(after);
  for (const auto& id : identities(before)) {
    const int origin = support::originSlot(id);
    if (op.removedStages.count(origin / 10 + 1) != 0) continue;
    if (found.count(id) == 0) problems.push_back("question lost: " + id);
  }
  for (const auto& [slot, id] : after.pageAt) {
    const int origin = support::originSlot(id);
    const std::string& answer = after.answers.at(static_cast<std::size_t>(slot));
    auto changed = op.newAnswers.find(origin);
    if (answer == support::uniqueAnswer(origin)) continue;
    if (changed != op.newAnswers.end() && answer == changed->second) continue;
    problems.push_back("slot " + std::to_string(slot) + " holds the question of slot " +
                       std::to_string(origin) + " with the answer \"" + answer + "\"");
  }
  return problems;
}

std::vector<Operation> operations() {
  std::vector<Operation> ops;
  ops.push_back({"save a question", {}, {},
                 [](Session& s) {
                   s.chooseQuestion(3, 4);
                   s.form().Text1[2] = "changed answer";
                   s.form().Text1[5] = "9";
                   s.form().txtT = "33";
                 },
                 [](Session& s) { s.editor().cmdSave_Click(); }, {}, {{23, "9"}}});
  // One page changed, the other files as they were: its one step without the journal.
  ops.push_back({"save a question's text", {}, {},
                 [](Session& s) {
                   s.chooseQuestion(3, 4);
                   s.form().Text1[0] = "changed text";
                 },
                 [](Session& s) { s.editor().cmdSave_Click(); }, {}, {}});
  // A pasted picture: the new 4.gif and the page that shows it, with the root pages and the key
  // the save writes, in one change.
  ops.push_back({"add a picture", {}, {},
                 [](Session& s) {
                   s.chooseQuestion(2, 4);
                   s.form().Text1[0] = "question with a picture";
                 },
                 [](Session& s) {
                   const auto image = support::paintedImage(400, 300, [](int x, int y) {
                     return pictures::Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 40};
                   });
                   EXPECT_EQ(s.editor().addPicture(image, "pasted"), lifecycle::Editor::PictureAdded::Added);
                 },
                 {}, {}});
  ops.push_back({"create a stage", {}, {}, {}, [](Session& s) { s.editor().cmdNewL_Click(); }, {}, {}});
  ops.push_back({"new question, then save", {}, {},
                 [](Session& s) {
                   s.editor().cmdNewL_Click();
                   s.chooseStage(7);
                   s.editor().cmdSave_Click();
                   s.editor().cmdNewN_Click();
                   s.editor().cmdSave_Click();
                 },
                 [](Session& s) {
                   s.editor().cmdNewN_Click();
                   s.form().Text1[0] = "question 3 of stage 7";
                   s.editor().cmdSave_Click();
                 },
                 {}, {}});
  ops.push_back({"remove the last stage", {}, {}, [](Session& s) { s.chooseQuestion(6, 2); },
                 [](Session& s) { s.editor().cmdDelLast_Click(); }, {6}, {}});
  // The question changed and not saved is saved by the answer Да, in the shutdown's change.
  ops.push_back({"shutdown, saving the question", {}, {},
                 [](Session& s) {
                   s.chooseQuestion(2, 3);
                   s.form().Text1[5] = "7";
                   s.form().Text1[2] = "changed answer";
                   s.form().Text2 = "new course";
                   s.form().txtAddr = "http://new.example/";
                   s.h->dialogs.choices = {lifecycle::Dialogs::Answer::Yes};
                 },
                 [](Session& s) { s.editor().Form_Unload(); }, {}, {{12, "7"}}});
  ops.push_back({"shutdown in new-stage entry", {}, {},
                 [](Session& s) {
                   s.editor().cmdNewL_Click();
                   s.chooseStage(7);
                   s.editor().cmdSave_Click();
                 },
                 [](Session& s) { s.editor().Form_Unload(); }, {}, {}});
  // A page saved by the answer Да and deleted with its incomplete stage, in one change.
  ops.push_back({"exit in new-stage entry, saving", {}, {},
                 [](Session& s) {
                   s.editor().cmdNewL_Click();
                   s.chooseStage(7);
                   s.editor().cmdSave_Click();
                   s.editor().cmdNewN_Click();
                   s.form().Text1[1] = "changed answer";
                   s.h->dialogs.choices = {lifecycle::Dialogs::Answer::Yes};
                 },
                 [](Session& s) { s.editor().cmdEnd_Click(); }, {}, {}});
  ops.push_back({"exit with clean-up", {},
                 [](const fs::path& root) {
                   // A stray copy of a page still in its folder, and a page found nowhere else.
                   fs::copy_file(root / "2" / "3.html", root / "3.html");
                   support::writeBytes(root / "5.html",
                                       support::crlfJoin(support::pageLines(9, 9)));
                 },
                 {}, [](Session& s) { s.editor().cmdEnd_Click(); }, {}, {}});
  // After a removal, the exit puts right title.html's copy of the duration, which joins the
  // removal's record, and index.html's copy of the address, which is in no record.
  ops.push_back({"exit correcting a removal's file", {},
                 [](const fs::path& root) {
                   auto title = support::crlfLines(root / "title.html");
                   title[8] = "25";
                   support::writeBytes(root / "title.html", support::crlfJoin(title));
                   auto index = support::crlfLines(root / "index.html");
                   index[17] = "http://old.example/";
                   support::writeBytes(root / "index.html", support::crlfJoin(index));
                 },
                 [](Session& s) {
                   s.chooseQuestion(6, 2);
                   s.editor().cmdDelLast_Click();
                 },
                 [](Session& s) { s.editor().cmdEnd_Click(); }, {}, {}});
  // Nothing to write: only the look-ups that find every file as the editor has it.
  ops.push_back({"exit, nothing changed", {}, {}, [](Session& s) { s.chooseQuestion(2, 2); },
                 [](Session& s) { s.editor().cmdEnd_Click(); }, {}, {}});
  // Thirty questions from stage 5 of six, all with the right answer 2: stages 5 and 6 replaced
  // in their pages, a seventh made from the sixth's (so each of its pages traces to one there).
  auto planned = std::make_shared<std::pair<workbench::ReadResult, workbench::ImportPlan>>();
  std::map<int, std::string> imported;
  for (int slot = shell::answerSlot(5, 1); slot <= shell::answerSlot(6, 10); ++slot) imported[slot] = "2";
  ops.push_back({"import 30 questions from stage 5", {}, {},
                 [planned](Session& s) {
                   s.chooseQuestion(5, 3);
                   planned->first = workbench::readQuestions(support::questionsText(30));
                   planned->second = workbench::planImport(planned->first, s.editor().readTest(), {5, 1});
                 },
                 [planned](Session& s) { s.editor().importQuestions(planned->first.questions, planned->second); },
                 {}, imported});
  // A lesson's address for the results, written into the handler's lines of the root pages.
  ops.push_back({"write the lesson's address", {}, {}, [](Session& s) { s.chooseQuestion(2, 2); },
                 [](Session& s) { s.editor().writeResultsAddress("http://192.0.2.7:8090/results"); }, {}, {}});
  ops.push_back({"mix a full test of 10 stages", {.stageFolders = 10}, {},
                 [](Session& s) { s.chooseQuestion(4, 5); },
                 [](Session& s) { s.editor().cmdMix_Click(); }, {}, {}});
  // Undo, redo and a return to a point are changes like the others: a kill at any of their
  // steps leaves the test as before or after them, and the next start takes the history as the
  // files are.
  ops.push_back({"undo a save", {}, {},
                 [](Session& s) {
                   s.chooseQuestion(3, 4);
                   s.form().Text1[2] = "changed answer";
                   s.form().Text1[5] = "9";
                   s.editor().cmdSave_Click();
                 },
                 [](Session& s) { s.editor().mnuEditUndo_Click(); }, {}, {{23, "9"}}});
  ops.push_back({"undo a removal of a stage", {}, {},
                 [](Session& s) {
                   s.chooseQuestion(6, 2);
                   s.editor().cmdDelLast_Click();
                 },
                 [](Session& s) { s.editor().mnuEditUndo_Click(); }, {}, {}});
  ops.push_back({"redo a mixing", {}, {},
                 [](Session& s) {
                   s.chooseQuestion(4, 5);
                   s.editor().cmdMix_Click();
                   s.editor().mnuEditUndo_Click();
                 },
                 [](Session& s) { s.editor().mnuEditRedo_Click(); }, {}, {}});
  std::map<int, std::string> copiedAnswers;
  for (int slot = shell::answerSlot(6, 1); slot <= shell::answerSlot(6, 10); ++slot) {
    copiedAnswers[slot] = support::uniqueAnswer(slot + 10);
  }
  ops.push_back({"redo a new stage", {}, {},
                 [](Session& s) {
                   s.editor().cmdNewL_Click();
                   s.chooseStage(7);
                   s.editor().cmdSave_Click();
                   for (int q = 2; q <= 10; ++q) {
                     s.editor().cmdNewN_Click();
                     s.editor().cmdSave_Click();
                   }
                   s.editor().mnuEditUndo_Click();
                 },
                 // The seventh stage's pages are the sixth's, saved with the answers they had.
                 [](Session& s) { s.editor().mnuEditRedo_Click(); }, {}, copiedAnswers});
  ops.push_back({"return three changes back", {}, {},
                 [](Session& s) {
                   for (int stage : {2, 3, 4}) {
                     s.chooseQuestion(stage, 5);
                     s.form().Text1[0] = "changed text";
                     s.editor().cmdSave_Click();
                   }
                   s.editor().cmdDelLast_Click();
                 },
                 [](Session& s) { s.editor().returnTo(s.editor().historyPoints()[3].id); }, {}, {}});
  return ops;
}

// One test an operation, so that ctest runs them side by side; each writes its row of the
// table into a file of its own, named by its place in the list, which the scripts print in order.
class FaultSweep : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FaultSweep, EveryStepLeavesTheShellWhole) {
  const Operation op = operations().at(GetParam());
  Row row{op.name};
  std::vector<support::DiskOp> ops;
  Snapshot clicked;
  const auto clean = afterFailure(op, 0, false, &ops, &clicked);
  EXPECT_TRUE(clean.empty()) << "without a fault: " << ::testing::PrintToString(clean);
  row.steps = static_cast<int>(ops.size());
  ASSERT_GT(row.steps, 0);
  for (int n = 1; n <= row.steps; ++n) {
    const std::string& kind = ops[static_cast<std::size_t>(n - 1)].name;
    for (bool halfway : {false, true}) {
      if (halfway && !support::FailingDisk::stopsHalfway(kind)) continue;
      const auto problems = afterFailure(op, n, halfway, nullptr, &clicked);
      ++row.tried;
      row.halfway += halfway;
      if (problems.empty()) {
        ++row.held;
      } else {
        ADD_FAILURE() << "step " << n << " of " << row.steps << " (" << kind
                      << (halfway ? ", stopped half-way" : "") << "): "
                      << ::testing::PrintToString(problems);
      }
    }
  }

  std::ostringstream line;
  line << std::left << std::setw(32) << row.name << std::right << std::setw(7) << row.steps
       << std::setw(17) << row.tried << std::setw(16) << row.halfway << std::setw(18) << row.held << "\n";
  std::cout << line.str();
  fs::create_directories(FAULT_TABLE_FOLDER);
  std::ostringstream file;
  file << std::setw(2) << std::setfill('0') << GetParam() << ".txt";
  std::ofstream(fs::path(FAULT_TABLE_FOLDER) / file.str()) << line.str();
}

// The operation's words as a test's name: "save a question's text" is SaveAQuestionsText.
std::string testName(const ::testing::TestParamInfo<std::size_t>& info) {
  const std::string words = operations().at(info.param).name;
  std::string name;
  bool upper = true;
  for (const char c : words) {
    if (c == ' ') {
      upper = true;
    } else if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
      name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
      upper = false;
    }
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, FaultSweep, ::testing::Range<std::size_t>(0, operations().size()),
                         testName);

}  // namespace
