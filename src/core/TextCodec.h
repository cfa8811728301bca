// The one text codec of the program: UTF-8 in memory, CP932 (Shift-JIS, Windows flavour) on disk
// for INI files, the log and the history lists. NC program bytes are never converted; they are
// only decoded for display.
#pragma once

#include <string>
#include <string_view>

namespace kelvantori {

// CP932 bytes to UTF-8. A byte or pair that CP932 does not define becomes U+FFFD, so arbitrary
// bytes (a binary file in the view) always decode.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 to CP932. A character that CP932 cannot hold (or invalid UTF-8) becomes "?".
std::string Utf8ToCp932(std::string_view utf8);

// True when the UTF-8 text converts to CP932 without loss.
bool IsCp932Representable(std::string_view utf8);

}  // namespace kelvantori
