// The one progress line of a transfer in the terminal: name, state, remaining bytes and time
// (a send) or lines received (a receive), and a bar, fitted to the terminal's width.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvantori {

enum class TransferDirection { Send, Receive };

struct ProgressView {
    TransferDirection direction = TransferDirection::Send;
    std::string name;       // "送信名 O1234.NC"
    std::string state;      // "＜＜ 送信中 ＞＞"
    std::string remaining;  // "残り 1,234ﾊﾞｲﾄ(約 3分49秒)"
    std::int64_t position = 0;
    std::int64_t maximum = 0;
    std::int64_t linesReceived = 0;
};

// Columns a UTF-8 text takes in a terminal: East Asian wide and full-width characters two,
// half-width katakana and everything else one, control characters none.
std::size_t DisplayWidth(std::string_view text);

// The longest start of the text that takes at most `columns` columns, cut between characters.
std::string FitToWidth(std::string_view text, std::size_t columns);

// The line. columns 0: no limit (a file or pipe); otherwise the line takes fewer than
// `columns` columns, so that the terminal never wraps it and a carriage return redraws it.
// The bar shrinks first, then goes, then the text is cut.
std::string FormatProgressLine(const ProgressView& view, std::size_t columns);

}  // namespace kelvantori
