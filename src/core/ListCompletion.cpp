// Completion of a typed text from a list.
#include "core/ListCompletion.h"

#include <algorithm>

#include "core/DrivePath.h"

namespace kelvantori {

std::optional<std::size_t> FindListItem(const std::vector<std::string>& items,
                                        std::string_view prefix) {
    const std::string wanted = AsciiUpper(prefix);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].size() >= wanted.size() &&
            AsciiUpper(std::string_view(items[i]).substr(0, wanted.size())) == wanted)
            return i;
    }
    return std::nullopt;
}

CompletedText CompleteFromList(const std::vector<std::string>& items, std::string_view text,
                               std::size_t caret, Unmatched unmatched) {
    caret = std::min(caret, text.size());
    std::string prefix(text.substr(0, caret));
    CompletedText result;
    if (prefix.empty()) {
        result.text = std::string(text);
        return result;
    }
    if (const auto found = FindListItem(items, prefix)) {
        result.text = items[*found];
        result.caret = prefix.size();
        result.selectionEnd = result.text.size();
        result.item = found;
        return result;
    }
    if (unmatched == Unmatched::Undo)
        prefix.pop_back();
    result.text = prefix;
    result.caret = result.selectionEnd = prefix.size();
    return result;
}

}  // namespace kelvantori
