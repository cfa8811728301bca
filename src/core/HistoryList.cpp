// The history rule and the list file format shared by the folder, find and name histories.
#include "core/HistoryList.h"

#include <algorithm>

#include "core/TextCodec.h"

namespace kelvantori {

namespace {

bool IsBlankOnly(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

}  // namespace

void AddToHistory(std::vector<std::string>& entries, std::string_view entry) {
    entries.insert(entries.begin(), std::string(entry));
    const auto duplicate = std::find(entries.begin() + 1, entries.end(), entries.front());
    if (duplicate != entries.end())
        entries.erase(duplicate);
    if (entries.size() > kHistoryLimit)
        entries.resize(kHistoryLimit);
}

std::vector<std::string> ParseHistoryList(std::string_view cp932) {
    std::vector<std::string> entries;
    while (!cp932.empty()) {
        const auto lf = cp932.find('\n');
        std::string_view line = cp932.substr(0, lf);
        cp932.remove_prefix(lf == std::string_view::npos ? cp932.size() : lf + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (IsBlankOnly(line))
            continue;
        entries.push_back(Cp932ToUtf8(line));
    }
    return entries;
}

std::string SerializeHistoryList(const std::vector<std::string>& entries) {
    std::string out;
    for (const auto& entry : entries) {
        if (IsBlankOnly(entry))
            continue;
        if (entry.find_first_of("\r\n") != std::string::npos)
            continue;
        if (!IsCp932Representable(entry))
            continue;
        out += Utf8ToCp932(entry);
        out += "\r\n";
    }
    return out;
}

}  // namespace kelvantori
