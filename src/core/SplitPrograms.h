// Splitting an NC file that holds several programs into one file per program, each named after
// its program start line. The lines are streamed: memory follows the largest program, not the file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/IniDocument.h"
#include "core/LineStream.h"
#include "core/ProgramText.h"
#include "core/ToolFileNames.h"
#include "core/ToolReport.h"

namespace kelvantori {

// The split dialog's options, kept in "Div_Sub.ini" [Sub] as 1/0.
struct SplitOptions {
    bool F_Set = false;  // a line "%" at the front of every output file
    bool B_Set = false;  // a line "%" at the end of every output file
    bool N_Set = false;  // a running number "_001" in every output file name
    bool operator==(const SplitOptions&) const = default;
};

inline constexpr std::string_view kDivSubIniName = "Div_Sub.ini";
inline constexpr std::string_view kDivSubSection = "Sub";

// A key that is missing or not an integer reads as false; any other integer but 0 as true.
SplitOptions ReadSplitOptions(const IniDocument& ini);
// Sets the three keys, keeping everything else of the document.
void WriteSplitOptions(IniDocument& ini, const SplitOptions& options);

inline constexpr std::string_view kSplitNoProgramMessage =
    "プログラム番号が見つかりませんでした。。";
inline constexpr std::string_view kSplitDoneMessage = "Ｏ番号毎に分割完了しました。";
inline constexpr std::string_view kSplitFolderQuestion =
    "ディレクトリが見つかりません。ディレクトリを作成しますか？";
// Characters the target folder field refuses as they are typed, and what it says then.
inline constexpr std::string_view kSplitFolderRefusedCharacters = "/,;*?<>|.";
inline constexpr std::string_view kSplitFolderCharacterMessage =
    "この文字はフォルダー名に使えません。\n/:,;*?<>|.";

// The folder the split writes to: the typed text without one trailing "\" ("D:\NC\" -> "D:\NC").
std::string SplitTargetFolder(std::string_view typed);
// A bare drive ("C:") is taken as it is; any other folder is checked and created on request.
bool SplitFolderNeedsCheck(std::string_view folder);

// A line whose first character is "O", ":" or "L" begins a program.
bool IsProgramStartLine(std::string_view line);
// The start line up to its first "(", unchanged otherwise; a leading ":" becomes "O".
std::string ProgramNameOf(std::string_view startLine);

struct SplitFileName {
    std::string name;  // UTF-8, to be created inside the target folder
    NameCheck check;   // why the name cannot be created (the name is then not to be used)
};
// The program name (Shift-JIS bytes as in the file), "_000"-formatted number + 1 when numbered,
// and the extension: "O0001", 1, true, ".NC" -> "O0001_001.NC".
SplitFileName SplitFileNameOf(std::string_view startLine, std::size_t number, bool numbered,
                              std::string_view extension);

// One output file of the split.
struct SplitOutputFile {
    std::string_view startLine;  // bytes, valid during Create
    std::string name;            // inside the target folder
    std::size_t number = 0;      // 1 for the first program
    std::size_t lineNumber = 0;  // of the start line, from 1
};

// Where the output files go. Each method returns false when it failed; the sink keeps why. A file
// that was created but never finished (the split stopped) must not replace anything.
class SplitSink {
  public:
    virtual ~SplitSink() = default;
    // Starts a file, replacing any earlier file of that name (two programs of the same name
    // leave only the later one, as the original tool did).
    virtual bool Create(const SplitOutputFile& file) = 0;
    // Bytes of the file being written: lines, each followed by CR LF.
    virtual bool Write(std::string_view bytes) = 0;
    // The file being written is complete.
    virtual bool Finish() = 0;
};

struct SplitRequest {
    SplitOptions options;
    std::string mask = "*.NC";  // the file list's mask; its extension ends every name
};

enum class SplitStatus {
    Done,          // every program has its file (the plan: the split may run)
    NoProgram,     // no program start line: nothing written
    UnusableMask,  // the mask gives no extension a file name can end with: nothing written
    UnusableName,  // a program name cannot be a file name
    ReadFailed,    // the input ended early
    WriteFailed,   // the sink refused
    Stopped,       // the caller stopped it (the user's F3/Esc)
};

struct SplitNameFault {
    std::size_t lineNumber = 0;
    std::string programName;  // UTF-8, for the message
    NameCheck check;
};

struct SplitResult {
    SplitStatus status = SplitStatus::Done;
    std::size_t programCount = 0;  // program start lines met
    std::size_t filesWritten = 0;  // output files completed
    std::size_t lineCount = 0;     // lines read
    SplitNameFault fault;          // with UnusableName
};

// The first pass: counts the programs and tests every file name; writes nothing. Done means the
// second pass can write every file, so a bad name never leaves the user with half a split.
SplitResult PlanSplit(LineSource& lines, const SplitRequest& request);

// The second pass: writes the files. Stops before a file whose name is unusable (when the input
// changed since the plan), after completing the file before it.
SplitResult WriteSplit(LineSource& lines, const SplitRequest& request, SplitSink& sink);

// Both passes over lines in memory (the file view).
SplitResult SplitProgramText(const ProgramText& text, const SplitRequest& request, SplitSink& sink);

// What the user is told. failureDetail says why the sink or the input failed.
ToolReport SplitReport(const SplitResult& result, const SplitRequest& request,
                       std::string_view failureDetail = {});

}  // namespace kelvantori
