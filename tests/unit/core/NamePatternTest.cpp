// Wildcard patterns of folder scans and the name order of the file list.
#include "core/NamePattern.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kelvantori {
namespace {

TEST(MatchesNamePattern, WildcardsAndCase) {
    struct Case {
        const char* behaviour;
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"the find pattern takes names that begin with the text", "O12*.NC", "O123.NC", true},
        {"the text itself", "O12*.NC", "O12.NC", true},
        {"case is ignored", "O12*.NC", "o1234.nc", true},
        {"another beginning is not taken", "O12*.NC", "A012.NC", false},
        {"another extension is not taken", "O12*.NC", "O123.NCX", false},
        {"a doubled star changes nothing", "O1**.NC", "O10.NC", true},
        {"the star takes nothing too", "O1*.NC", "O1.NC", true},
        {"question mark is one character", "O?.NC", "O5.NC", true},
        {"question mark is not none", "O?.NC", "O.NC", false},
        {"question mark takes a whole kana", "?.NC", "ア.NC", true},
        {"star then letters needs a back-up", "*AB*AC", "XABABAC", true},
        {"star then letters that never come", "*AB*AC", "XABABAD", false},
        {"star dot star takes every name", "*.*", "PROGRAM.NC", true},
        {"star dot star takes a name without dot", "*.*", "README", true},
        {"text star dot star takes the text without dot", "O12*.*", "O12", true},
        {"star dot extension needs that extension", "*.NC", "README", false},
        {"a lone dot at the end takes names without dot", "O*.", "O100", true},
        {"a lone dot at the end refuses names with dot", "O*.", "O100.NC", false},
        {"an empty pattern takes only the empty name", "", "A", false},
        {"non-ASCII bytes compare exactly", "データ*.NC", "データ1.NC", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchesNamePattern(c.pattern, c.name), c.matches) << c.behaviour;
    }
}

TEST(CompareFileNames, LetterFirstThenCase) {
    std::vector<std::string> names = {"b.nc",  "B.NC",  "A.NC", "a.nc",  "O10.NC", "O1.NC",
                                      "O2.NC", "_X.NC", "1.NC", "ab.nc", "AB.NC",  "Ab.nc"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CompareFileNames(a, b) < 0;
    });
    const std::vector<std::string> expected = {"1.NC",  "_X.NC", "a.nc",   "A.NC",
                                               "ab.nc", "Ab.nc", "AB.NC",  "b.nc",
                                               "B.NC",  "O1.NC", "O10.NC", "O2.NC"};
    EXPECT_EQ(names, expected);
}

TEST(CompareFileNames, IsAnOrder) {
    EXPECT_EQ(CompareFileNames("A.NC", "A.NC"), 0);
    EXPECT_LT(CompareFileNames("A", "AB"), 0) << "a shorter name that is a beginning goes first";
    EXPECT_GT(CompareFileNames("ab", "A"), 0) << "the letters decide before the case";
    EXPECT_LT(CompareFileNames("a", "A"), 0);
    EXPECT_GT(CompareFileNames("A", "a"), 0);
    EXPECT_LT(CompareFileNames("aB", "Ab"), 0) << "the first case difference decides";
}

}  // namespace
}  // namespace kelvantori
