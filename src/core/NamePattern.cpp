// Wildcard matching and the name order of the file list.
#include "core/NamePattern.h"

#include <cstddef>

namespace kelvantori {

namespace {

unsigned char FoldCase(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Length of the UTF-8 character that starts at text[i] (1 for a stray byte), so "?" takes a
// whole character of a Japanese name and never half of one.
std::size_t CharLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (lead >= 0xF0) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = 3;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    if (i + length > text.size())
        return 1;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

// Greedy matching with one back-up point: the last "*" seen and the name position it stands at.
// Every failure after a "*" lets that "*" take one more character, which is enough because a
// later "*" makes the earlier ones irrelevant.
bool MatchWildcards(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
            continue;
        }
        if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharLength(name, n);
            continue;
        }
        if (p < pattern.size() && FoldCase(static_cast<unsigned char>(pattern[p])) ==
                                      FoldCase(static_cast<unsigned char>(name[n]))) {
            ++p;
            ++n;
            continue;
        }
        if (starP == std::string_view::npos)
            return false;
        p = starP + 1;
        starN += CharLength(name, starN);
        n = starN;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool MatchesNamePattern(std::string_view pattern, std::string_view name) {
    if (MatchWildcards(pattern, name))
        return true;
    if (name.find('.') != std::string_view::npos)
        return false;
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*") {
        return MatchWildcards(pattern.substr(0, pattern.size() - 2), name);
    }
    if (!pattern.empty() && pattern.back() == '.') {
        return MatchWildcards(pattern.substr(0, pattern.size() - 1), name);
    }
    return false;
}

int CompareFileNames(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    int caseOrder = 0;
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca == cb)
            continue;
        const auto fa = FoldCase(ca);
        const auto fb = FoldCase(cb);
        if (fa != fb)
            return fa < fb ? -1 : 1;
        // Same letter, other case: remembered, decides only when nothing else does.
        if (caseOrder == 0)
            caseOrder = ca > cb ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return caseOrder;
}

}  // namespace kelvantori
