// Names the program makes from received data (a program number, a rescue file) shortened to what
// file systems take, so that the data always lands in a file: a 300-digit program number makes a
// name no file system accepts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/ToolFileNames.h"

namespace kelvantori {

// stem + tail, at most maxBytes bytes. A name that fits stays as it is. Otherwise the tail (an
// extension, a count such as "_001.NC") is kept whole and the stem keeps its start, followed by
// "~" and eight hex digits of a hash of the whole stem, so that two long stems that begin alike
// still give two names. Cut between UTF-8 characters. A tail too long for any stem is cut too.
std::string FitFileName(std::string_view stem, std::string_view tail = {},
                        std::size_t maxBytes = kMaxFileNameBytes);

// The extension of a file name ("O1.NC" -> ".NC"): from its last dot, when that part is short
// enough to be one (at most 16 bytes); "" otherwise.
std::string_view FileNameExtension(std::string_view name);

}  // namespace kelvantori
