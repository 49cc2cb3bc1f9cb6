#include "scheduler/conversions.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

struct IntCase {
    std::string text;
    std::optional<std::int32_t> value;
};

class TryStrToIntTable : public ::testing::TestWithParam<IntCase> {};

TEST_P(TryStrToIntTable, Converts) {
    const IntCase& c = GetParam();
    EXPECT_EQ(TryStrToInt(c.text), c.value) << "text '" << c.text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, TryStrToIntTable,
    ::testing::Values(IntCase{"0", 0}, IntCase{"5", 5}, IntCase{"05", 5}, IntCase{"0008", 8},
                      IntCase{"17", 17}, IntCase{"  42", 42}, IntCase{"\t3", 3}, IntCase{"+7", 7},
                      IntCase{"-7", -7}, IntCase{"-0", 0}, IntCase{" -12", -12},
                      IntCase{"2147483647", 2147483647},
                      IntCase{"-2147483648", -2147483647 - 1},
                      IntCase{"0000000000000000000001", 1}));

INSTANTIATE_TEST_SUITE_P(
    Refused, TryStrToIntTable,
    ::testing::Values(IntCase{"", std::nullopt}, IntCase{" ", std::nullopt},
                      IntCase{"+", std::nullopt}, IntCase{"-", std::nullopt},
                      IntCase{"12 ", std::nullopt}, IntCase{"1a", std::nullopt},
                      IntCase{"x", std::nullopt}, IntCase{"- 1", std::nullopt},
                      IntCase{"+-1", std::nullopt}, IntCase{"1.5", std::nullopt},
                      IntCase{"1,000", std::nullopt}, IntCase{"$10", std::nullopt},
                      IntCase{"0x10", std::nullopt}, IntCase{"八", std::nullopt},
                      IntCase{"2147483648", std::nullopt}, IntCase{"-2147483649", std::nullopt},
                      IntCase{"4294967304", std::nullopt},
                      IntCase{"99999999999999999999999", std::nullopt}));

TEST(StrToInt, ReturnsValue) {
    EXPECT_EQ(StrToInt("08"), 8);
    EXPECT_EQ(StrToInt("-15"), -15);
}

TEST(StrToInt, ThrowsWithTheUserMessage) {
    try {
        StrToInt("abc");
        FAIL() << "no exception";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    EXPECT_THROW(StrToInt(""), ConversionError);
    EXPECT_THROW(StrToInt("2147483648"), ConversionError);
}

TEST(IsValidDate, Calendar) {
    struct Case {
        Date date;
        bool valid;
    };
    const Case cases[] = {
        {{2024, 2, 29}, true},  {{2023, 2, 29}, false}, {{2000, 2, 29}, true},
        {{1900, 2, 29}, false}, {{2023, 2, 28}, true},  {{2024, 4, 30}, true},
        {{2024, 4, 31}, false}, {{2024, 12, 31}, true}, {{2024, 13, 1}, false},
        {{2024, 0, 1}, false},  {{2024, 1, 0}, false},  {{2024, 1, 32}, false},
        {{0, 1, 1}, false},     {{1, 1, 1}, true},      {{9999, 12, 31}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidDate(c.date), c.valid)
            << c.date.year << "-" << c.date.month << "-" << c.date.day;
    }
}

struct ReadCase {
    std::string text;
    std::string format;
    int currentYear;
    std::optional<Date> date;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << "'" << c.text << "' as '" << c.format << "' in " << c.currentYear;
}

class ReadShortDateTable : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadShortDateTable, Reads) {
    const ReadCase& c = GetParam();
    const std::optional<Date> got = ReadShortDate(c.text, c.format, c.currentYear);
    ASSERT_EQ(got.has_value(), c.date.has_value());
    if (got) {
        EXPECT_EQ(got->year, c.date->year);
        EXPECT_EQ(got->month, c.date->month);
        EXPECT_EQ(got->day, c.date->day);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Orders, ReadShortDateTable,
    ::testing::Values(ReadCase{"2018-4-13", "yyyy-M-d", 2024, Date{2018, 4, 13}},
                      ReadCase{"2018/4/13", "yyyy/M/d", 2024, Date{2018, 4, 13}},
                      ReadCase{"2018-04-03", "yyyy-MM-dd", 2024, Date{2018, 4, 3}},
                      ReadCase{"2018-4-3", "yyyy-MM-dd", 2024, Date{2018, 4, 3}},
                      ReadCase{"4/13/2018", "M/d/yyyy", 2024, Date{2018, 4, 13}},
                      ReadCase{"13/4/2018", "d/M/yyyy", 2024, Date{2018, 4, 13}},
                      ReadCase{"13.04.2018", "dd.MM.yyyy", 2024, Date{2018, 4, 13}},
                      ReadCase{"18/4/13", "yy/M/d", 2024, Date{2018, 4, 13}},
                      ReadCase{" 2018/ 4/ 13  ", "yyyy/M/d", 2024, Date{2018, 4, 13}}));

INSTANTIATE_TEST_SUITE_P(
    TwoNumbers, ReadShortDateTable,
    ::testing::Values(ReadCase{"4/13", "yyyy/M/d", 2024, Date{2024, 4, 13}},
                      ReadCase{"4/13", "M/d/yyyy", 2019, Date{2019, 4, 13}},
                      ReadCase{"13.4", "dd.MM.yyyy", 2024, Date{2024, 4, 13}},
                      ReadCase{"2/29", "yyyy/M/d", 2024, Date{2024, 2, 29}},
                      ReadCase{"2/29", "yyyy/M/d", 2023, std::nullopt}));

// The century window: threshold = current year - 50.
INSTANTIATE_TEST_SUITE_P(
    ShortYears, ReadShortDateTable,
    ::testing::Values(ReadCase{"18/4/13", "yy/M/d", 2024, Date{2018, 4, 13}},
                      ReadCase{"74/1/1", "yy/M/d", 2024, Date{1974, 1, 1}},
                      ReadCase{"73/1/1", "yy/M/d", 2024, Date{2073, 1, 1}},
                      ReadCase{"99/1/1", "yy/M/d", 2024, Date{1999, 1, 1}},
                      ReadCase{"0/1/1", "yy/M/d", 2024, Date{2000, 1, 1}},
                      ReadCase{"48/1/1", "yy/M/d", 1999, Date{2048, 1, 1}},
                      ReadCase{"49/1/1", "yy/M/d", 1999, Date{1949, 1, 1}},
                      ReadCase{"18/4/13", "yyyy/M/d", 2024, Date{2018, 4, 13}},
                      ReadCase{"0/1/1", "yyyy/M/d", 2024, Date{2000, 1, 1}},
                      // Three or four digits are taken as written.
                      ReadCase{"018/4/13", "yyyy/M/d", 2024, Date{18, 4, 13}},
                      ReadCase{"0018/4/13", "yyyy/M/d", 2024, Date{18, 4, 13}}));

INSTANTIATE_TEST_SUITE_P(
    Refused, ReadShortDateTable,
    ::testing::Values(ReadCase{"", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"2018", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"2018-4-13", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"2018/4/13", "yyyy-M-d", 2024, std::nullopt},
                      ReadCase{"2018/4/13/1", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"2018/4/", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"2018//13", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"2018 /4/13", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"2018/4/13x", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"20180/4/13", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"2018/4/131", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"2018/13/1", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"2018/4/31", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"2023/2/29", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"0000/1/1", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"13/4/2018", "M/d/yyyy", 2024, std::nullopt},
                      ReadCase{"-2018/4/13", "yyyy/M/d", 2024, std::nullopt},
                      ReadCase{"x", "yyyy/M/d", 2024, std::nullopt},
                      // A format without a separator cannot be read back.
                      ReadCase{"20180413", "yyyyMMdd", 2024, std::nullopt}));

TEST(ReadShortDate, LeapDayFollowsGregorianRules) {
    EXPECT_TRUE(ReadShortDate("2000/2/29", "yyyy/M/d", 2024).has_value());
    EXPECT_FALSE(ReadShortDate("1900/2/29", "yyyy/M/d", 2024).has_value());
    EXPECT_TRUE(ReadShortDate("2024/2/29", "yyyy/M/d", 2024).has_value());
    EXPECT_FALSE(ReadShortDate("2023/2/29", "yyyy/M/d", 2024).has_value());
}

TEST(FormatShortDate, Forms) {
    struct Case {
        Date date;
        std::string format;
        std::string text;
    };
    const Case cases[] = {
        {{2018, 4, 13}, "yyyy-M-d", "2018-4-13"},
        {{2018, 4, 3}, "yyyy/M/d", "2018/4/3"},
        {{2018, 4, 3}, "yyyy-MM-dd", "2018-04-03"},
        {{2018, 12, 25}, "yyyy-MM-dd", "2018-12-25"},
        {{2018, 4, 3}, "M/d/yyyy", "4/3/2018"},
        {{2018, 4, 3}, "d/M/yyyy", "3/4/2018"},
        {{2018, 4, 3}, "dd.MM.yyyy", "03.04.2018"},
        {{2018, 4, 13}, "yy/M/d", "18/4/13"},
        {{2005, 4, 13}, "yy/M/d", "05/4/13"},
        {{2005, 4, 13}, "y/M/d", "5/4/13"},
        {{18, 4, 13}, "yyyy/M/d", "0018/4/13"},
        {{2018, 4, 13}, "yyyy年M月d日", "2018年4月13日"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatShortDate(c.date, c.format), c.text) << "format '" << c.format << "'";
    }
}

TEST(ShortDate, WrittenDatesReadBack) {
    // What the editor writes must read back to the same day under the same
    // format, for every numeric format the system offers here.
    const char* const formats[] = {"yyyy/M/d", "yyyy-M-d",   "yyyy-MM-dd", "M/d/yyyy",
                                   "d/M/yyyy", "dd.MM.yyyy", "yy/M/d",     "yyyy.M.d"};
    const Date dates[] = {{2018, 4, 13}, {2024, 2, 29}, {2000, 1, 1},
                          {1999, 12, 31}, {2049, 7, 4}, {2024, 10, 10}};
    for (const char* format : formats) {
        for (const Date& date : dates) {
            const std::string text = FormatShortDate(date, format);
            const std::optional<Date> back = ReadShortDate(text, format, 2024);
            ASSERT_TRUE(back.has_value()) << text << " under " << format;
            EXPECT_EQ(back->year, date.year) << text << " under " << format;
            EXPECT_EQ(back->month, date.month) << text << " under " << format;
            EXPECT_EQ(back->day, date.day) << text << " under " << format;
        }
    }
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// Found by fuzzing: the two-digit-year window overflowed for a current year
// at the end of the int range.
TEST(ConversionsFuzzFinds, TwoDigitYearWithAnExtremeCurrentYearReadsNothing) {
    EXPECT_FALSE(ReadShortDate("18/4/13", "yy/M/d", -2147483647 - 1).has_value());
    EXPECT_FALSE(ReadShortDate("18/4/13", "yy/M/d", 2147483647).has_value());
    auto d = ReadShortDate("18/4/13", "yy/M/d", 2026);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->year, 2018);
}

}  // namespace
}  // namespace vantrel
