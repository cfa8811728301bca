// Control characters of names and settings shown on the terminal instead of acting on it.
#include "app/cli/TerminalText.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/TerminalHost.h"
#include "support/FakeSerialPort.h"

namespace kelvantori {
namespace {

TEST(TerminalTextTest, ControlCharactersAreShownInCaretNotation) {
    const struct {
        const char* name;
        std::string text, shown;
    } rows[] = {
        {"EscapeSequence", "D:\\\x1b[31mRED.NC", "D:\\^[[31mRED.NC"},
        {"NulInAPortName", std::string("CO\0M1", 5), "CO^@M1"},
        {"DeleteTabReturnBell", "A\x7f\t\r\x07", "A^?^I^M^G"},
        {"LineFeedSeparatesMessageLines", "一行目\n二行目", "一行目\n二行目"},
        // U+009B is CSI to a terminal; U+00A0 and Japanese are text.
        {"C1ControlInUtf8",
         "A\xC2\x9B"
         "2J\xC2\xA0加工",
         "AM-^[2J\xC2\xA0加工"},
        {"BytesThatAreNotUtf8StayAsTheyAre", "\x83\x58\xFF", "\x83\x58\xFF"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Printable(row.text), row.shown) << row.name;
}

TEST(TerminalTextTest, ProgressLineShowsTheNameWithItsControlCharacters) {
    std::istringstream in;
    std::ostringstream out, err;
    CliIo io{in, out, err};
    StreamLineReader reader{in};
    InterruptState interrupts;
    ManualClock clock;
    TerminalHost host{io, reader, interrupts, clock, {}};
    host.BeginTransfer(TransferDirection::Receive);
    host.SetStatus(StatusPanel::Name, "受信名 \x1b[2JA.NC");
    host.SetStatus(StatusPanel::State, "＜＜ 受信中 ＞＞");
    host.ProcessEvents();
    host.ShowError("\x1b]0;title\x07");
    EXPECT_EQ(err.str(), "受信名 ^[[2JA.NC  ＜＜ 受信中 ＞＞\n^[]0;title^G\n");
}

}  // namespace
}  // namespace kelvantori
