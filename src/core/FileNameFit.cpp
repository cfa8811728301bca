// Shortening the names made from received data.
#include "core/FileNameFit.h"

#include <cstdint>
#include <cstdio>

namespace kelvantori {

namespace {

constexpr std::size_t kLongestExtension = 16;
// "~" and eight hex digits.
constexpr std::size_t kHashMark = 9;

// FNV-1a: any stable hash will do, the eight digits only keep two long names apart.
std::uint32_t NameHash(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

// The longest start of text of at most bytes bytes that does not end inside a UTF-8 character.
std::string_view StartOf(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    std::size_t keep = bytes;
    while (keep > 0 && (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80)
        --keep;
    return text.substr(0, keep);
}

}  // namespace

std::string FitFileName(std::string_view stem, std::string_view tail, std::size_t maxBytes) {
    if (stem.size() + tail.size() <= maxBytes)
        return std::string(stem) + std::string(tail);
    if (tail.size() + kHashMark >= maxBytes)
        return std::string(StartOf(std::string(stem) + std::string(tail), maxBytes));
    char mark[16];
    std::snprintf(mark, sizeof mark, "~%08X", static_cast<unsigned>(NameHash(stem)));
    return std::string(StartOf(stem, maxBytes - tail.size() - kHashMark)) + mark +
           std::string(tail);
}

std::string_view FileNameExtension(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || name.size() - dot > kLongestExtension)
        return {};
    return name.substr(dot);
}

}  // namespace kelvantori
