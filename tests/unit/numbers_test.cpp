#include <cstdint>
#include <gtest/gtest.h>

#include "numbers.h"

namespace
{

struct DecimalCase {
    const char *text;
    int32_t want;
};

TEST(DecimalNumber, ReadsTheLeadingNumberAndSaturates)
{
    const DecimalCase cases[] = {
        {"0", 0},
        {"42", 42},
        {"  7", 7},
        {"\t\n\v\f\r9", 9},
        {"+5", 5},
        {"-5", -5},
        {"2x", 2},
        {"1 2", 1},
        {"010", 10},
        {"0x10", 0},
        {"00000000000000000000012", 12},
        {"x", 0},
        {"", 0},
        {"-", 0},
        {"+-1", 0},
        {"- 1", 0},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"-2147483647", -2147483647},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"99999999999999999999999", INT32_MAX},
        {"-99999999999999999999999", INT32_MIN},
        {"4294967297", INT32_MAX},
    };
    for (const auto &c : cases)
        EXPECT_EQ(decimal_number(c.text), c.want) << '"' << c.text << '"';
}

struct HexCase {
    const char *text;
    int has_digit;
    uint32_t want;
};

TEST(HexNumber, ReadsLikeScanfHex)
{
    const HexCase cases[] = {
        {"1f", 1, 0x1F},
        {"1F", 1, 0x1F},
        {"0x1F", 1, 0x1F},
        {"0X1f", 1, 0x1F},
        {"  \t1f", 1, 0x1F},
        {"+1f", 1, 0x1F},
        {"1fh", 1, 0x1F},
        {"0000000000000000001f", 1, 0x1F},
        {"0", 1, 0},
        {"0x", 1, 0},
        {"0xg", 1, 0},
        {"-0x", 1, 0},
        {"0x0x1", 1, 0},
        {"ffffffff", 1, 0xFFFFFFFF},
        {"0xFFFFFFFF", 1, 0xFFFFFFFF},
        {"-1", 1, 0xFFFFFFFF},
        {"-0x1", 1, 0xFFFFFFFF},
        {"-ffffffff", 1, 1},
        {"100000000", 1, 0xFFFFFFFF},
        {"-100000000", 1, 0xFFFFFFFF},
        {"123456789abcdef0123", 1, 0xFFFFFFFF},
        {"12345", 1, 0x12345},
    };
    for (const auto &c : cases) {
        uint32_t value = 0xDEADBEEF;
        EXPECT_EQ(hex_number(c.text, &value), c.has_digit) << '"' << c.text << '"';
        EXPECT_EQ(value, c.want) << '"' << c.text << '"';
    }
}

TEST(HexNumber, RefusesTextWithoutADigit)
{
    const char *const texts[] = {"",    " ",   "\t", "-",     "+",   "+-1",
                                 "--1", "- 1", "g",  "reg20", "x1f", "zz"};
    for (const char *text : texts) {
        uint32_t value = 0xDEADBEEF;
        EXPECT_EQ(hex_number(text, &value), 0) << '"' << text << '"';
        EXPECT_EQ(value, 0U) << '"' << text << '"';
    }
}

} // namespace
