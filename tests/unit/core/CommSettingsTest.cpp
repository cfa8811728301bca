// The communication settings panel's rules: completion of the two lists, the keys each field
// takes, and what saving stores.
#include "core/CommSettingsFields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/LineSetting.h"
#include "core/ListCompletion.h"

namespace kelvantori {
namespace {

// "text|selected" with the selection shown after the bar ("9600,8,N,1|,8,N,1" = the caret
// after "9600", the rest selected).
std::string Shown(const CompletedText& c) {
    return c.text.substr(0, c.caret) + "|" + c.text.substr(c.caret, c.selectionEnd - c.caret) +
           (c.selectionEnd < c.text.size() ? "|" + c.text.substr(c.selectionEnd) : "");
}

TEST(ListCompletionTest, TheTextBeforeTheCaretIsCompletedOrTakenBack) {
    const std::vector<std::string>& speeds = OfferedLineSettings();
    const std::vector<std::string> names{"O0001.NC", "o0100.nc", "A.TXT"};
    const struct {
        const char* name;
        const std::vector<std::string>& items;
        std::string text;
        std::size_t caret;
        Unmatched unmatched;
        std::string shown;
    } rows[] = {
        {"FirstItemWithThePrefix", speeds, "96", 2, Unmatched::Undo, "96|00,8,N,1"},
        {"LongerPrefixNarrows", speeds, "9600,7,E", 8, Unmatched::Undo, "9600,7,E|,1"},
        {"CaseIgnored", names, "o00", 3, Unmatched::KeepPrefix, "O00|01.NC"},
        {"SecondItemWhenTheFirstDoesNotBegin", names, "O01", 3, Unmatched::KeepPrefix, "o01|00.nc"},
        // X after "9600," begins no line setting: the character is taken back.
        {"UnmatchedCharacterUndone", speeds, "9600,X", 6, Unmatched::Undo, "9600,|"},
        {"UnmatchedKeptAsTyped", names, "B1", 2, Unmatched::KeepPrefix, "B1|"},
        // What followed the caret (the completion typed over) goes.
        {"UnmatchedCutAtTheCaret", names, "AX.TXT", 2, Unmatched::KeepPrefix, "AX|"},
        {"EmptyListKeepsTheText", {}, "O1000", 5, Unmatched::KeepPrefix, "O1000|"},
        {"EmptyTextStaysEmpty", speeds, "", 0, Unmatched::Undo, "|"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Shown(CompleteFromList(row.items, row.text, row.caret, row.unmatched)),
                  row.shown);
    }
}

TEST(CommSettingsTest, FieldsTakeTheirKeysAndMoveAroundTheRing) {
    EXPECT_EQ(CommFieldKeys(CommField::Speed), "0123456789,NEOneo");
    EXPECT_EQ(CommFieldKeys(CommField::Port), "0123456789COMcom");
    const struct {
        const char* name;
        CommField field;
        char key;
        bool taken;
    } keys[] = {
        {"SpeedDigit", CommField::Speed, '9', true},
        {"SpeedParity", CommField::Speed, 'e', true},
        {"SpeedLetterX", CommField::Speed, 'X', false},
        {"PortLetterO", CommField::Port, 'o', true},
        {"PortComma", CommField::Port, ',', false},
        {"SignalY", CommField::Signal, 'y', true},
        {"CodeDigit", CommField::Code, '1', false},
        {"NoNul", CommField::Signal, '\0', false},
    };
    for (const auto& row : keys) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CommFieldTakes(row.field, row.key), row.taken);
    }
    std::vector<CommField> ring{CommField::Speed};
    for (int i = 0; i < 6; ++i)
        ring.push_back(NextCommField(ring.back()));
    EXPECT_EQ(ring, (std::vector<CommField>{CommField::Speed, CommField::Port, CommField::Signal,
                                            CommField::StartChar, CommField::EndChar,
                                            CommField::Code, CommField::Speed}));
    EXPECT_EQ(PreviousCommField(CommField::Signal), CommField::Port);
    EXPECT_EQ(PreviousCommField(CommField::Speed), CommField::Code);
}

TEST(CommSettingsTest, SaveStoresTheFilledFieldsUpperCased) {
    const auto fields = [](std::string speed, std::string port, std::string yn = "") {
        return CommSettingsFields{speed, port, yn, yn, yn, yn};
    };
    const struct {
        const char* name;
        CommSettingsFields fields;
        CommSaveResult result;
        std::string stored;  // Speed Port Signal StartChar EndChar Code
    } rows[] = {
        {"BareNumberGetsCom", fields("9600,7,e,2", "3", "y"), CommSaveResult::Saved,
         "9600,7,E,2 COM3 Y Y Y Y"},
        {"LowerCaseCom", fields("19200,8,N,1", "com3", "n"), CommSaveResult::Saved,
         "19200,8,N,1 COM3 N N N N"},
        {"EmptyFieldsKeepTheSettings", fields("", ""), CommSaveResult::Saved,
         "4800,8,N,2 COM1 Y N Y N"},
        {"TwelveCharactersTaken", fields("14400,7,E,12", ""), CommSaveResult::Saved,
         "14400,7,E,12 COM1 Y N Y N"},
        {"ThirteenCharactersRefused", fields("19200,7,E,2XX", "COM9", "n"),
         CommSaveResult::SpeedLength, "4800,8,N,2 COM1 Y N Y N"},
        {"NineCharactersRefused", fields("4800,8,N,", ""), CommSaveResult::SpeedLength,
         "4800,8,N,2 COM1 Y N Y N"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Settings settings;
        EXPECT_EQ(SaveCommSettings(row.fields, settings), row.result);
        EXPECT_EQ(settings.Speed + " " + settings.Port + " " + settings.Signal + " " +
                      settings.StartChar + " " + settings.EndChar + " " + settings.Code,
                  row.stored);
    }
    Settings settings;
    EXPECT_EQ(SpeedCaption(settings), "通信条件(4800,8,N,2)");
    EXPECT_EQ(PortCaption(settings), "ポート番号(COM1)");
    EXPECT_TRUE(FieldsOfSettings(settings).AnyFilled());
    EXPECT_FALSE(CommSettingsFields{}.AnyFilled());
}

}  // namespace
}  // namespace kelvantori
