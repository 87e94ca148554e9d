#include "shell/numberformat.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using qrn::NumberFormat;

TEST(NumberFormat, ReadsAndWritesNumbersInEitherConvention)
{
    const NumberFormat c = NumberFormat::comma(), p = NumberFormat::point();
    const std::pair<const char *, double> good[] = {{"12,50", 12.5}, {"  -0,5 ", -0.5}, {"1.234,5", 1234.5},
                                                    {"+3", 3.0},     {",5", 0.5},       {"1,5E3", 1500.0}};
    for (const auto &[text, value] : good)
        EXPECT_EQ(c.toNumber(text), value) << text;
    for (const char *bad : {"", " ", "-", ",", "abc", "12,5,3", "1e", "12 3", "--1", "1.", "Inf"})
        EXPECT_FALSE(c.toNumber(bad).has_value()) << bad;
    EXPECT_EQ(p.toNumber("1,234.5"), 1234.5);
    EXPECT_FALSE(p.toNumber("12,5,").has_value());
    // Fixed decimals with the mark of the convention, no group marks.
    EXPECT_EQ(c.fixed(-2.5, 0), "-3");
    EXPECT_EQ(c.fixed(1234567.891, 2), "1234567,89");
    EXPECT_EQ(p.fixed(10, 2), "10.00");
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
        {0.000049999, 4, "0.0000"},
        {9.995, 2, "10.00"},
        {-0.004, 2, "0.00"},
        {2.675, 2, "2.68"},
        {1e20, 2, "100000000000000000000.00"},
        {4503599627370497.0, 0, "4503599627370500"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(qrn::roundedDecimal(c.value, c.decimals), c.text) << c.value;
    EXPECT_EQ(qrn::roundedDecimal(std::nan(""), 2), "");
}
