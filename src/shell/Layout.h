#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace shell {

// Names and numbers of the shell tree. Stages and questions are numbered 1..10; stage k lives
// in the folder named by the digit k - 1, question q in the page named by the digit q - 1 and
// ".html". The answer key has one slot per (stage, question).
inline constexpr int kMaxStages = 10;
inline constexpr int kQuestionsPerStage = 10;
inline constexpr int kAnswerSlots = kMaxStages * kQuestionsPerStage;

inline constexpr const char* kAnswerKeyFile = "1.js";
inline constexpr const char* kTitleFile = "title.html";
inline constexpr const char* kIndex1File = "index1.html";
inline constexpr const char* kIndexFile = "index.html";
inline constexpr const char* kPicturesFolder = "pics";
// The files of the root the editor reads and writes.
inline constexpr const char* kRootFiles[] = {kAnswerKeyFile, kTitleFile, kIndex1File, kIndexFile};

inline constexpr const char* kPagePattern = "*.html";
inline constexpr const char* kStrayPagePattern = "?.html";
inline constexpr const char* kNoPicture = "00";

// The pictures of the folder kPicturesFolder: a page's picture line names picture c as the file
// c + ".gif". The editor writes one character there, and offers only names of one decimal digit
// ("0.gif" .. "9.gif"): a letter would name another file on a web server than on Windows,
// where "a.gif" and "A.GIF" are one. New pictures take the digits 1 to 9.
inline constexpr const char* kPictureFiles = "*.gif";
inline constexpr const char* kPictureExtension = ".gif";
inline constexpr int kFirstNewPicture = 1;
inline constexpr int kLastPicture = 9;
bool isPictureName(std::string_view name);  // "4.gif"
std::string pictureName(int digit);         // 4 -> "4.gif"

std::string stageFolderName(int stage);   // 1 -> "0"
std::string pageName(int question);       // 1 -> "0.html"
int answerSlot(int stage, int question);  // (stage - 1) * 10 + (question - 1), 0..99
int questionOrdinal(int stage, int question);  // answerSlot + 1, 1..100

// The stage number a subfolder of the root stands for: the value of the last character of its
// name plus 1, for a name of one decimal digit; nothing for any other name.
std::optional<int> stageOfFolder(std::string_view name);

// True when `name` ends with the four letters "pics" (the test the stage list applies to a
// folder path to leave the pictures folder out).
bool isPicturesFolder(std::string_view name);

// Folders that belong to the system and not to the test: names that begin with a dot (".git",
// ".Trash-1000") and the folders Windows keeps at a drive's root. They are no stage, are never
// counted and never touched.
bool isSystemFolder(std::string_view name);

// A name of the editor's own temporary files and folders: a dot, a name, ".tmp".
bool isTemporaryName(std::string_view name);
// The name in the root under which a change prepares `target`, a path relative to the root
// with '/' ("2/3.html" -> ".2-3.html.tmp", stage folder "5" -> ".5.tmp").
std::string temporaryName(std::string target);
// A name under which a file or folder that is being deleted is first put, beside where it was
// (".~0.tmp", ".~1.tmp" when that one is taken, ...), so that the rename, written through, takes
// its name away for good before it is deleted (the Windows disk, which cannot sync a folder). A
// temporary name that no target's temporaryName() gives; start-up removes it should the
// deletion itself be lost.
std::string deletedName(int attempt);

// Whether a path of the editor's own files (relative, with '/') stays inside the test's root: no
// leading "/", no "\\" or ":", no empty part, "." or "..".
bool insideRoot(std::string_view path);

// A name or a text as one word of a line of the editor's own files (the journal, the history):
// every byte other than a-z A-Z 0-9 "." "_" "-" "/" as "%" and two upper-case hexadecimal
// digits, so that a name in any language stays one word; and back, nothing for a word that
// holds any other byte or a broken "%".
std::string wordEncoded(std::string_view text);
std::optional<std::string> wordDecoded(std::string_view word);

// Decimal text without leading zeros or spaces.
std::string decimal(long value);

// The value of a text that should be a whole decimal number (spaces around it allowed), or
// nothing when it is not one.
std::optional<long> parseDecimal(std::string_view text);

// Wildcard match on a whole name: '?' matches exactly one character, '*' any run of characters.
// Letter case counts: the shell's own names are digits and lower-case words.
bool matchesPattern(std::string_view name, std::string_view pattern);

}  // namespace shell
