// The join of files as the join dialog and kelvantori-cli run it: the target's name, the
// overwrite question and the refusals before anything is written, each file's format question,
// the texts one after the other in a target that is put in place only when all of it is written,
// and the report.
#pragma once

#include <string>
#include <vector>

#include "files/ToolHost.h"
#include "platform/FileSystem.h"

namespace kelvantori {

struct JoinJob {
    // Drive paths of the files in joining order; the dialog's marked files are
    // SourcesIn(DirPath, names).
    std::vector<std::string> sources;
    std::string typedName;  // the mask's extension is added unless the name holds it
    std::string mask;       // the file list's mask
};

// The target goes into the folder of the first file. Before anything is written: at least two
// files, the mask, the target's name, every file there; an existing target asks
// JoinOverwriteQuestion (No is Declined); a target that is one of the files (compared as the host
// files they name) is refused, after that question. Each file that is empty or holds a NUL byte
// asks the format question (No is Declined). A file already in CR LF lines is copied as it is.
// A failure, a No or a stop leaves the target as it was (or not there).
ToolResult RunJoin(FileSystem& files, const JoinJob& job, ToolHost& host);

}  // namespace kelvantori
