// Text from file names, settings and items on its way to a terminal. A control character would
// act on the terminal instead of being shown (an ESC sequence in a file name recolours or
// rewrites the screen, a NUL in a setting vanishes), so each is shown in caret notation.
#pragma once

#include <string>
#include <string_view>

namespace kelvantori {

// The text with every control character but the line feed shown as cat -v shows it: "^[" for
// ESC, "^@" for NUL, "^?" for DEL, "M-^[" for the C1 control U+009B. Everything else, Japanese
// text and bytes that are not UTF-8 included, stays as it is.
std::string Printable(std::string_view text);

}  // namespace kelvantori
