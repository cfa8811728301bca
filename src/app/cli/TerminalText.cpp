// Control characters shown, not sent, to the terminal.
#include "app/cli/TerminalText.h"

namespace kelvantori {

std::string Printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto c = static_cast<unsigned char>(text[at]);
        if ((c < 0x20 && c != '\n') || c == 0x7F) {
            out += '^';
            out += c == 0x7F ? '?' : static_cast<char>(c + 0x40);
            continue;
        }
        // U+0080..U+009F in UTF-8: terminals take them for the C1 controls (U+009B is CSI).
        if (c == 0xC2 && at + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[at + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                out += "M-^";
                out += static_cast<char>(next - 0x80 + 0x40);
                ++at;
                continue;
            }
        }
        out += static_cast<char>(c);
    }
    return out;
}

}  // namespace kelvantori
