// Completion of a typed text from a list, as the drop-down boxes of the settings panel and the
// multi-transfer queue do it: the text before the caret is looked up in the list (the first item
// that begins with it, ASCII case ignored); a match is taken whole with its remainder selected, so
// that typing on replaces it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvantori {

// The first item that begins with prefix, ASCII case ignored.
std::optional<std::size_t> FindListItem(const std::vector<std::string>& items,
                                        std::string_view prefix);

// What a box shows after a change: its text, the caret, and the selection from the caret to
// selectionEnd (equal to caret when nothing is selected).
struct CompletedText {
    std::string text;
    std::size_t caret = 0;
    std::size_t selectionEnd = 0;
    std::optional<std::size_t> item;  // the list item taken
    bool operator==(const CompletedText&) const = default;
};

// What happens to a text that no item begins with.
enum class Unmatched {
    KeepPrefix,  // the text is cut back to the part before the caret
    Undo,        // the character before the caret, the one just typed, is taken back as well
};

// The box's text after a change that left the caret at `caret` (a byte offset).
CompletedText CompleteFromList(const std::vector<std::string>& items, std::string_view text,
                               std::size_t caret, Unmatched unmatched);

}  // namespace kelvantori
