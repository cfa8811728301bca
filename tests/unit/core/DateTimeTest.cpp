// Date and time texts of the log and the file list, and the calendar check.
#include "core/DateTime.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace kelvantori {
namespace {

struct FormatCase {
    const char* name;
    LocalDateTime time;
    const char* log;
    const char* list;
    const char* shortForm;
};

// Row names keep the test list readable.
void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class DateTimeFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DateTimeFormat, WritesTheThreeForms) {
    EXPECT_EQ(FormatLogTime(GetParam().time), GetParam().log);
    EXPECT_EQ(FormatListTime(GetParam().time), GetParam().list);
    EXPECT_EQ(FormatShortTime(GetParam().time), GetParam().shortForm);
}

INSTANTIATE_TEST_SUITE_P(Moments, DateTimeFormat,
                         ::testing::Values(FormatCase{"PaddedFields",
                                                      {2005, 2, 3, 4, 5, 6},
                                                      "2005/02/03 04:05:06",
                                                      "2005-02-03 04:05:06",
                                                      "05-02-03 04:05"},
                                           FormatCase{"LastSecondOfYear",
                                                      {1999, 12, 31, 23, 59, 59},
                                                      "1999/12/31 23:59:59",
                                                      "1999-12-31 23:59:59",
                                                      "99-12-31 23:59"},
                                           FormatCase{"CenturyYear",
                                                      {2000, 1, 1, 0, 0, 0},
                                                      "2000/01/01 00:00:00",
                                                      "2000-01-01 00:00:00",
                                                      "00-01-01 00:00"},
                                           FormatCase{"EarlyYearIsPadded",
                                                      {987, 6, 5, 4, 3, 2},
                                                      "0987/06/05 04:03:02",
                                                      "0987-06-05 04:03:02",
                                                      "87-06-05 04:03"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ValidityCase {
    const char* name;
    LocalDateTime time;
    bool valid;
};

void PrintTo(const ValidityCase& c, std::ostream* os) {
    *os << c.name;
}

class DateTimeValidity : public ::testing::TestWithParam<ValidityCase> {};

TEST_P(DateTimeValidity, KnowsTheCalendar) {
    EXPECT_EQ(IsValidDateTime(GetParam().time), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, DateTimeValidity,
    ::testing::Values(ValidityCase{"Ordinary", {2005, 6, 15, 12, 30, 45}, true},
                      ValidityCase{"LeapDayInLeapYear", {2004, 2, 29, 0, 0, 0}, true},
                      ValidityCase{"LeapDayInCommonYear", {2005, 2, 29, 0, 0, 0}, false},
                      ValidityCase{"ThirtyFirstFebruary", {2005, 2, 31, 0, 0, 0}, false},
                      ValidityCase{"LeapDayInCenturyYear", {1900, 2, 29, 0, 0, 0}, false},
                      ValidityCase{"LeapDayInFourthCentury", {2000, 2, 29, 0, 0, 0}, true},
                      ValidityCase{"ThirtyFirstApril", {2005, 4, 31, 0, 0, 0}, false},
                      ValidityCase{"ThirtyFirstDecember", {2005, 12, 31, 23, 59, 59}, true},
                      ValidityCase{"MonthZero", {2005, 0, 1, 0, 0, 0}, false},
                      ValidityCase{"MonthThirteen", {2005, 13, 1, 0, 0, 0}, false},
                      ValidityCase{"DayZero", {2005, 1, 0, 0, 0, 0}, false},
                      ValidityCase{"Hour24", {2005, 1, 1, 24, 0, 0}, false},
                      ValidityCase{"Minute60", {2005, 1, 1, 0, 60, 0}, false},
                      ValidityCase{"Second60", {2005, 1, 1, 0, 0, 60}, false},
                      ValidityCase{"NegativeSecond", {2005, 1, 1, 0, 0, -1}, false},
                      ValidityCase{"YearZero", {0, 1, 1, 0, 0, 0}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DateTime, DaysInMonthFollowsLeapYears) {
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2400, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 9), 30);
    EXPECT_EQ(DaysInMonth(2023, 13), 0);
}

}  // namespace
}  // namespace kelvantori
