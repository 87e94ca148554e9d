#include "shell/numberformat.h"

#include <gtest/gtest.h>

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

TEST(NumberFormat, FixedRoundsHalfAwayFromZeroWithoutNegativeZero)
{
    const NumberFormat c = NumberFormat::comma();
    EXPECT_EQ(c.fixed(1.0 / 3.0, 4), "0,3333");
    EXPECT_EQ(c.fixed(2.5, 0), "3");
    EXPECT_EQ(c.fixed(-2.5, 0), "-3");
    EXPECT_EQ(c.fixed(0.125, 2), "0,13");
    EXPECT_EQ(c.fixed(-0.001, 2), "0,00");
    EXPECT_EQ(c.fixed(1234567.891, 2), "1234567,89");
    EXPECT_EQ(NumberFormat::point().fixed(10, 2), "10.00");
    EXPECT_EQ(c.fixed(std::numeric_limits<double>::infinity(), 2), "");
}
