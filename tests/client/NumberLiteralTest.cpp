#include "client/NumberLiteral.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

using namespace vf;

TEST(NumberLiteral, ReadsDecimalForms)
{
    EXPECT_DOUBLE_EQ(readFloatLiteral("42"), 42.0);
    EXPECT_DOUBLE_EQ(readFloatLiteral("\t\n\f\r -3.25xyz"), -3.25);
    EXPECT_DOUBLE_EQ(readFloatLiteral("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(readFloatLiteral("1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(readFloatLiteral("2.5E-2"), 0.025);
    EXPECT_DOUBLE_EQ(readFloatLiteral("7e"), 7.0);   // exponent without digits is not part of it
    EXPECT_DOUBLE_EQ(readFloatLiteral("7e+x"), 7.0);
    EXPECT_DOUBLE_EQ(readFloatLiteral("1e999"), INFINITY);
    EXPECT_DOUBLE_EQ(readFloatLiteral("1e-999"), 0.0);
    EXPECT_EQ(readFloatLiteral(" -inf"), -INFINITY);
    EXPECT_EQ(readFloatLiteral("+INF dB"), INFINITY);
    EXPECT_EQ(readFloatLiteral("in"), 0.0);
}

TEST(NumberLiteral, ReadsHexadecimalForms)
{
    EXPECT_DOUBLE_EQ(readFloatLiteral("0x10"), 16.0);
    EXPECT_DOUBLE_EQ(readFloatLiteral("-0XfF"), -255.0);
    EXPECT_DOUBLE_EQ(readFloatLiteral("0x1.8p1"), 3.0);
    EXPECT_DOUBLE_EQ(readFloatLiteral("0x1p-2"), 0.25);
    EXPECT_DOUBLE_EQ(readFloatLiteral("0x"), 0.0); // "0" then stop at x
    EXPECT_EQ(readIntegerLiteral("0x7fffffff"), 2147483647);
}

TEST(NumberLiteral, NoDigitsReadAsZero)
{
    EXPECT_EQ(readFloatLiteral(""), 0.0);
    EXPECT_EQ(readFloatLiteral("   "), 0.0);
    EXPECT_EQ(readFloatLiteral("-"), 0.0);
    EXPECT_EQ(readFloatLiteral("."), 0.0);
    EXPECT_EQ(readIntegerLiteral("abc"), 0);
}

TEST(NumberLiteral, IntegersSaturateAt32Bits)
{
    EXPECT_EQ(readIntegerLiteral("2147483648"), 2147483647);
    EXPECT_EQ(readIntegerLiteral("-2147483649"), -2147483647 - 1);
    EXPECT_EQ(readIntegerLiteral("99999999999999999999999999"), 2147483647);
    EXPECT_EQ(readIntegerLiteral(" -12 dB"), -12);
}

TEST(NumberLiteral, IgnoresProcessLocale)
{
    // Hosts may run with a decimal comma; typed values must not change meaning.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no German locale installed";
    EXPECT_DOUBLE_EQ(readFloatLiteral("1.5"), 1.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
}
