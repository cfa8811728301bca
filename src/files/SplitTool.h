// The split by program number as the split dialog and kelvantori-cli run it on a file or on the
// lines of the view: the format question, the check of every name, the target folder's
// question, the files written as one batch, and the report.
#pragma once

#include <string>

#include "core/ProgramText.h"
#include "core/SplitPrograms.h"
#include "files/ToolHost.h"
#include "platform/FileSystem.h"

namespace kelvantori {

struct SplitJob {
    std::string input;  // drive path of the file to split; it names the file in messages
    // The file's lines as the view holds them (loaded with the format question already asked);
    // nullptr reads the file itself, streamed.
    const ProgramText* text = nullptr;
    std::string targetFolder;  // as typed: one trailing "\" goes; a drive alone is not checked
    SplitRequest request;      // the options and the file list's mask
};

// Checks everything before anything is written: the mask, the input, its format (a file that is
// empty or holds a NUL byte asks the format question; No is Declined), every program's name and
// that there is a program at all. Then the target folder: a missing one asks
// kSplitFolderQuestion (No is Declined, Yes creates it with its missing parents). The files are
// written as one batch: none replaces anything until all are written, so a failure or a stop
// leaves the target folder as it was.
ToolResult RunSplit(FileSystem& files, const SplitJob& job, ToolHost& host);

}  // namespace kelvantori
