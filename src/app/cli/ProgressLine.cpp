// The progress line of kelvantori-cli.
#include "app/cli/ProgressLine.h"

#include <algorithm>

#include "comm/RemainingTime.h"

namespace kelvantori {

namespace {

constexpr std::size_t kWidestBar = 20;
constexpr std::size_t kNarrowestBar = 8;

// One code point of UTF-8 at `at`: its value and length. A byte that starts no valid sequence
// counts as one character of its own.
char32_t DecodeAt(std::string_view text, std::size_t at, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t need = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        need = 1;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        need = 2;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        need = 3;
        value = lead & 0x07;
    } else {
        length = 1;
        return 0xFFFD;
    }
    if (at + need >= text.size()) {
        length = 1;
        return 0xFFFD;
    }
    for (std::size_t i = 1; i <= need; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            length = 1;
            return 0xFFFD;
        }
        value = (value << 6) | (next & 0x3F);
    }
    length = need + 1;
    return value;
}

std::size_t CharacterWidth(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return 0;
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
                      (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
                      (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
                      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                      (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                      (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
    return wide ? 2 : 1;
}

std::string Bar(std::int64_t position, std::int64_t maximum, std::size_t width) {
    const std::int64_t clamped = std::clamp<std::int64_t>(position, 0, maximum);
    const auto filled =
        static_cast<std::size_t>(clamped * static_cast<std::int64_t>(width) / maximum);
    return "[" + std::string(filled, '#') + std::string(width - filled, '-') + "]";
}

std::string Percent(std::int64_t position, std::int64_t maximum) {
    const std::int64_t clamped = std::clamp<std::int64_t>(position, 0, maximum);
    return std::to_string(clamped * 100 / maximum) + "%";
}

}  // namespace

std::size_t DisplayWidth(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 1;
        width += CharacterWidth(DecodeAt(text, at, length));
        at += length;
    }
    return width;
}

std::string FitToWidth(std::string_view text, std::size_t columns) {
    std::size_t width = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t length = 1;
        const std::size_t w = CharacterWidth(DecodeAt(text, at, length));
        if (width + w > columns)
            break;
        width += w;
        at += length;
    }
    return std::string(text.substr(0, at));
}

std::string FormatProgressLine(const ProgressView& view, std::size_t columns) {
    std::string text;
    const auto add = [&text](std::string_view part) {
        if (part.empty())
            return;
        if (!text.empty())
            text += "  ";
        text += part;
    };
    add(view.name);
    add(view.state);
    if (view.direction == TransferDirection::Send) {
        add(view.remaining);
    } else if (view.linesReceived > 0) {
        add(FormatByteCount(view.linesReceived) + "行");
    }
    const bool bar = view.direction == TransferDirection::Send && view.maximum > 0;
    if (columns == 0) {
        if (bar)
            text += "  " + Bar(view.position, view.maximum, kWidestBar) + " " +
                    Percent(view.position, view.maximum);
        return text;
    }

    const std::size_t room = columns - 1;
    const std::size_t textWidth = DisplayWidth(text);
    if (bar) {
        const std::string percent = " " + Percent(view.position, view.maximum);
        // "  [" + "]" around the bar.
        const std::size_t frame = 4 + percent.size();
        if (textWidth + frame + kNarrowestBar <= room) {
            const std::size_t width = std::min(kWidestBar, room - textWidth - frame);
            return text + "  " + Bar(view.position, view.maximum, width) + percent;
        }
        if (textWidth + percent.size() + 1 <= room)
            return text + " " + percent;
    }
    return FitToWidth(text, room);
}

}  // namespace kelvantori
