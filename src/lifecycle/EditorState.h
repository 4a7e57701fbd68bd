#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "shell/Lines.h"

namespace lifecycle {

namespace fs = std::filesystem;

// The editor's working state: the counts and the current selection, the in-memory copies of
// the shell's files as line tables, and the ten flags that mark a stage still being built.
// Every handler reads and writes this one copy.
struct EditorState {
  std::int16_t StageCount = 0;
  std::int16_t LastStageQuestions = 0;  // questions open in the last stage, 1..10
  std::int16_t CurStage = 0;            // chosen stage, 0 while none
  std::int16_t CurQuestion = 0;         // chosen question, 0 while none

  fs::path ShellPath;  // the shell root
  fs::path PagePath;   // the question page being edited

  // Flag q - 1 is 1 once question q of the last stage has been entered and saved. The editor
  // is in new-stage entry mode exactly while the product of the flags is 0.
  std::array<std::int16_t, shell::kQuestionsPerStage> QuestionSaved{};

  // 1.js: 10 head lines, 100 answer pairs, tail.
  std::array<std::string, shell::key::kHeadLines> JsHead;
  std::array<std::string, shell::kAnswerSlots> Answers;
  std::array<std::string, shell::kAnswerSlots> AnswerAfter;
  std::array<std::string, shell::kAnswerKeyShape.tailCapacity> JsTail;
  std::int16_t JsTailCount = 0;

  std::array<std::string, shell::kTitleShape.head> TitleHead;
  std::array<std::string, shell::kTitleShape.tailCapacity> TitleTail;
  std::int16_t TitleTailCount = 0;

  std::array<std::string, shell::kIndex1Shape.head> Index1Head;
  std::array<std::string, shell::kIndex1Shape.tailCapacity> Index1Tail;
  std::int16_t Index1TailCount = 0;

  std::array<std::string, shell::kIndexShape.head> IndexHead;
  std::array<std::string, shell::kIndexShape.tailCapacity> IndexTail;
  std::int16_t IndexTailCount = 0;

  std::array<std::string, shell::kPageShape.head> PageHead;
  std::array<std::string, shell::kPageShape.tailCapacity> PageTail;
  std::int16_t PageTailCount = 0;

  // The state the new-stage and removal handlers give the mixing command: off from a new
  // stage until a removal. While it is off, a save writes the page's ordinal line. Start-up
  // leaves it on, and keeping mixing unavailable while a stage is incomplete does not change it.
  bool MixSwitchedOff = false;

  double ScaleFactor = 0.0;

  // The product of the ten flags: 0 while a new stage is incomplete.
  int savedProduct() const {
    int product = 1;
    for (auto flag : QuestionSaved) product *= flag;
    return product;
  }
  bool inNewStageEntry() const { return savedProduct() == 0; }
};

}  // namespace lifecycle
