// The doubling of one axis's values as the axis dialog and kelvantori-cli run it on a file or on
// the lines of the view: the format question, the conversion into a new file that is saved only
// when every line converted, and the report.
#pragma once

#include <string>

#include "core/ProgramText.h"
#include "files/ToolHost.h"
#include "platform/FileSystem.h"

namespace kelvantori {

struct DoubleJob {
    std::string input;  // drive path of the file; the output goes into its folder
    // The file's lines as the view holds them (loaded with the format question already asked);
    // nullptr reads the file itself, streamed. The lines are not changed: the converted text is
    // the output file's.
    const ProgramText* text = nullptr;
    char axis = 'X';         // a letter of kAxisLetters; a lower-case one stands for upper case
    std::string outputName;  // DoubleTargetName of the input's name and the mask
};

// Refuses an output name that cannot be a file name. A file that is empty or holds a NUL byte
// asks the format question (No is Declined) and is then read line by line. The output replaces a
// file of its name without a question, and only when every line converted: a value that is no
// number, a failure or a stop leaves it as it was.
ToolResult RunDouble(FileSystem& files, const DoubleJob& job, ToolHost& host);

}  // namespace kelvantori
