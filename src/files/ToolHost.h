// What the NC tools (split, join, double) need from their caller, and what they hand back. The
// window's dialogs answer with message boxes, a progress bar and F3/Esc; kelvantori-cli with its
// terminal. The tools themselves never print, read a terminal or show anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ToolReport.h"

namespace kelvantori {

enum class ToolProgressUnit {
    Bytes,  // of a file read from the disk
    Lines,  // of lines held in memory (the view, or a file read line by line after a question)
};

enum class ToolPass {
    Checking,  // the split's first pass: every name is checked before anything is written
    Writing,
};

struct ToolProgress {
    ToolPass pass = ToolPass::Writing;
    ToolProgressUnit unit = ToolProgressUnit::Bytes;
    std::uint64_t done = 0;  // of total, in unit
    std::uint64_t total = 0;
    // Files written so far (a split's programs), or files appended so far (a join).
    std::size_t files = 0;
    bool operator==(const ToolProgress&) const = default;
};

class ToolHost {
  public:
    virtual ~ToolHost() = default;
    // A question with Yes and No (warning icon): true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // Called now and then while a tool reads and writes (about every 1/256 of the whole, never
    // for each byte): shows the progress, lets pending window events run and reads F3/Esc. False
    // stops the tool, which then leaves every file as it was: no split file, join target or
    // doubled output is put in place.
    virtual bool Progress(const ToolProgress& progress) = 0;
    // The split begins the file of a program: its start line, bytes as in the file. The split
    // dialog lists them as they come.
    virtual void ProgramStarted(std::string_view startLine) { (void)startLine; }
};

enum class ToolStatus {
    Done,            // written; the report says so (information icon)
    Declined,        // the user answered No to a question; nothing was written
    UnusableMask,    // the file mask gives no extension a file name can end with; nothing touched
    UnusableName,    // the name of the file to write cannot be a file name; nothing touched
    TargetIsSource,  // the join's target is one of the files to join; nothing touched
    Failed,          // nothing to do, an input missing or unreadable, a write that failed
    Stopped,         // the host said stop; nothing was put in place
};

struct ToolResult {
    ToolStatus status = ToolStatus::Done;
    // What the user is told. After Declined and Stopped it says that nothing was written, for a
    // caller that reports every end; the window's dialogs may show nothing then.
    ToolReport report;
    std::string target;            // drive path of the join's target or of the doubled output
    std::size_t filesWritten = 0;  // the split's files put in place
};

}  // namespace kelvantori
