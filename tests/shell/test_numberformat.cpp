#include "shell/numberformat.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using qrn::NumberFormat;

TEST(NumberFormat, ReadsNumbersInEitherConvention)
{
    const NumberFormat c = NumberFormat::comma();
    EXPECT_EQ(c.toNumber("12,50"), 12.5);
    EXPECT_EQ(c.toNumber("  -0,5 "), -0.5);
    EXPECT_EQ(c.toNumber("1.234,5"), 1234.5);
    EXPECT_EQ(c.toNumber("+3"), 3.0);
    EXPECT_EQ(c.toNumber(",5"), 0.5);
    EXPECT_EQ(c.toNumber("1,5E3"), 1500.0);
    for (const char *bad : {"", " ", "-", ",", "abc", "12,5,3", "1e", "12 3", "--1", "1.", "Inf"})
        EXPECT_FALSE(c.toNumber(bad).has_value()) << bad;
    const NumberFormat p = NumberFormat::point();
    EXPECT_EQ(p.toNumber("12.50"), 12.5);
    EXPECT_EQ(p.toNumber("1,234.5"), 1234.5);
    EXPECT_FALSE(p.toNumber("12,5,").has_value());
}

// The rounding itself is the next test's; here the mark of each convention, no group marks.
TEST(NumberFormat, FixedWritesTheDecimalMarkOfItsConvention)
{
    const NumberFormat c = NumberFormat::comma();
    EXPECT_EQ(c.fixed(-2.5, 0), "-3");
    EXPECT_EQ(c.fixed(1234567.891, 2), "1234567,89");
    EXPECT_EQ(NumberFormat::point().fixed(10, 2), "10.00");
    EXPECT_EQ(c.fixed(std::numeric_limits<double>::infinity(), 2), "");
}

TEST(NumberFormat, RoundsTheFifteenDigitDecimalValueHalfAwayFromZero)
{
    // The doubles nearest to these halves lie below or above them; what is rounded is the
    // number's decimal value to 15 significant digits.
    const struct {
        double value;
        int decimals;
        const char *text;
    } cases[] = {
        {8.325, 2, "8.33"},
        {201.445, 2, "201.45"},
        {-8.325, 2, "-8.33"},
        {1.005, 2, "1.01"},
        {0.00015, 4, "0.0002"},
        {-0.00015, 4, "-0.0002"},
        {0.00005, 4, "0.0001"},
        {0.000049999, 4, "0.0000"},
        {1.23455, 4, "1.2346"},
        {9.995, 2, "10.00"},
        {999.9999, 2, "1000.00"},
        {0.0, 2, "0.00"},
        {-0.004, 2, "0.00"},
        {123456789.125, 2, "123456789.13"},
        {1e20, 2, "100000000000000000000.00"},
        {4503599627370497.0, 0, "4503599627370500"},
        {0.5, 0, "1"},
        {2.675, 2, "2.68"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(qrn::roundedDecimal(c.value, c.decimals), c.text) << c.value;
    EXPECT_EQ(qrn::roundedDecimal(std::nan(""), 2), "");
}
