// The option dialog's table: which keys each field takes, the ring of each page, and what an
// apply writes into the settings and tells the file list.
#include "core/OptionFields.h"

#include <gtest/gtest.h>

#include <map>

namespace kelvantori {
namespace {

const OptionField& Field(std::string_view control) {
    for (const OptionField& field : OptionFields()) {
        if (field.control == control)
            return field;
    }
    throw std::runtime_error("no field " + std::string(control));
}

// The texts of the dialog for settings, with some fields typed over.
std::vector<std::string> Texts(const Settings& settings,
                               const std::map<std::string_view, std::string>& typed) {
    std::vector<std::string> texts;
    for (const OptionField& field : OptionFields()) {
        const auto it = typed.find(field.control);
        texts.push_back(it != typed.end() ? it->second : OptionFieldText(settings, field));
    }
    return texts;
}

TEST(OptionFields, EveryPageIsARingOfTagsInTableOrder) {
    std::map<std::size_t, int> tags;
    for (const OptionField& field : OptionFields()) {
        EXPECT_EQ(field.tag, ++tags[field.page]) << field.control;
        EXPECT_TRUE((field.text == nullptr) != (field.integer == nullptr)) << field.control;
    }
    EXPECT_EQ(tags, (std::map<std::size_t, int>{{0, 8}, {1, 4}, {2, 8}, {3, 4}}));
    const struct {
        const char* name;
        std::size_t page;
        int tag, next, previous;
    } cases[] = {{"FirstOfEight", 0, 1, 2, 8},
                 {"LastOfEightGoesToFirst", 2, 8, 1, 7},
                 {"LastOfFourGoesToFirst", 3, 4, 1, 3},
                 {"MiddleOfFour", 1, 2, 3, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(NextOptionTag(c.page, c.tag), c.next) << c.name;
        EXPECT_EQ(PreviousOptionTag(c.page, c.tag), c.previous) << c.name;
    }
}

TEST(OptionFields, KeysEachFieldTakes) {
    const struct {
        const char* name;
        const char* control;
        const char* typed;
        bool taken;
    } cases[] = {
        {"YesNoTakesLowerCase", "LabeledEdit3", "y", true},
        {"YesNoRefusesOtherLetters", "LabeledEdit3", "x", false},
        {"YesNoRefusesDigits", "LabeledEdit2", "1", false},
        {"PortTakesLetterOfCom", "LabeledEdit18", "m", true},
        {"PortRefusesOtherLetters", "LabeledEdit18", "X", false},
        {"ReceiveCodeTakesThree", "LabeledEdit15", "3", true},
        {"ReceiveCodeRefusesFour", "LabeledEdit15", "4", false},
        {"PreprocessingTakesThreeBeyondItsHelp", "LabeledEdit13", "3", true},
        {"StartTypeRefusesZero", "LabeledEdit8", "0", false},
        {"EndTypeRefusesFive", "LabeledEdit9", "5", false},
        {"WaitTimeTakesDigits", "LabeledEdit4", "0", true},
        {"WaitTimeRefusesMinus", "LabeledEdit4", "-", false},
        {"ColumnsRefuseSix", "LabeledEdit5", "6", false},
        {"TextNotSentTakesAnything", "LabeledEdit16", "；", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OptionFieldTakes(Field(c.control), c.typed), c.taken) << c.name;
    EXPECT_EQ(Field("LabeledEdit4").maxLength, 3);
    EXPECT_EQ(Field("LabeledEdit18").maxLength, 5);
    EXPECT_EQ(Field("LabeledEdit16").maxLength, 0);
}

TEST(OptionFields, ApplyWritesTheFieldsAndTellsTheList) {
    const struct {
        const char* name;
        std::map<std::string_view, std::string> typed;
        Settings expected;  // changed from the defaults below
        OptionEffects effects;
    } cases[] = {
        {"NothingTypedChangesNothing", {}, {}, {}},
        {"ThreeColumns",
         {{"LabeledEdit5", "3"}},
         [] {
             Settings s;
             s.ListColumn = 3;
             return s;
         }(),
         {false, true, false}},
        {"AllFilesOff",
         {{"LabeledEdit2", "N"}},
         [] {
             Settings s;
             s.AllFiles = "N";
             return s;
         }(),
         {true, false, false}},
        {"UpperCaseAndLongNames",
         {{"LabeledEdit21", "Y"}, {"LabeledEdit22", "Y"}},
         [] {
             Settings s;
             s.op3 = s.op4 = "Y";
             return s;
         }(),
         {false, false, true}},
        {"EmptyNumbersKeepTheirValues",
         {{"LabeledEdit4", ""}, {"LabeledEdit5", ""}, {"LabeledEdit15", ""}},
         {},
         {}},
        {"NumbersAndTextsAsTyped",
         {{"LabeledEdit4", "250"},
          {"LabeledEdit13", "3"},
          {"LabeledEdit16", "(MSG)"},
          {"LabeledEdit18", "COM12"},
          {"LabeledEdit6", ""}},
         [] {
             Settings s;
             s.InvTime = 250;
             s.Send_Before = 3;
             s.SendMsg1 = "(MSG)";
             s.ModemePort1 = "COM12";
             s.Dc3As93 = "";
             return s;
         }(),
         {}},
    };
    for (const auto& c : cases) {
        Settings settings;
        const auto effects = ApplyOptionFields(settings, Texts(settings, c.typed));
        EXPECT_EQ(settings, c.expected) << c.name;
        EXPECT_EQ(effects, c.effects) << c.name;
    }
}

TEST(OptionFields, ColumnsOutsideTheirRangeBecomeFive) {
    Settings settings;
    settings.ListColumn = 9;
    const auto effects = ApplyOptionFields(settings, Texts(settings, {}));
    EXPECT_EQ(settings.ListColumn, 5);
    EXPECT_TRUE(effects.listColumnChanged);
}

}  // namespace
}  // namespace kelvantori
