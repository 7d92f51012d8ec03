#include "model/Equation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

struct EquationCase {
    const char* text;
    float x;
    int code;
    float value;   // expected result, computed in float like the evaluator
};

class EvaluateEquationTest : public ::testing::TestWithParam<EquationCase> {};

TEST_P(EvaluateEquationTest, GivesCodeAndValue) {
    const EquationCase& c = GetParam();
    float value = -12345.0f;
    EXPECT_EQ(EvaluateEquation(c.text, c.x, value), c.code) << '"' << c.text << '"';
    EXPECT_EQ(value, c.value) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, EvaluateEquationTest,
    ::testing::Values(
        EquationCase{"x*2+1", 3, 0, 7}, EquationCase{"(x-1)/2", 5, 0, 2},
        EquationCase{"x/0", 1, 3, 0}, EquationCase{"x*(2+1", 1, 5, 0},
        EquationCase{"x+", 1, 4, 0}, EquationCase{"x*2)", 4, 0, 8},
        EquationCase{"x*2)+100", 4, 0, 8}, EquationCase{"-x", 4, 0, -4},
        EquationCase{"--x", 4, 0, 4}, EquationCase{"---x", 4, 0, -4},
        EquationCase{"2x", 9, 0, 2}, EquationCase{"X", 9, 0, 0}, EquationCase{"x 2", 9, 0, 9},
        EquationCase{"x2", 9, 0, 9},
        // Typical definition equations.
        EquationCase{"x*50", 2, 0, 100}, EquationCase{"(x-128)/2", 200, 0, 36},
        EquationCase{"x*0.5+10", 10, 0, 15}, EquationCase{"x*0.1", 3, 0, 3.0f * 0.1f},
        // Precedence and associativity.
        EquationCase{"2-3*4", 0, 0, -10}, EquationCase{"8/2/2", 0, 0, 2},
        EquationCase{"10-2-3", 0, 0, 5}, EquationCase{"2*(3+4)*x", 2, 0, 28},
        EquationCase{"((x))", 6, 0, 6}, EquationCase{"-(x-1)", 3, 0, -2},
        // Empty operands and missing parentheses.
        EquationCase{"", 1, 4, 0}, EquationCase{"()", 1, 4, 0}, EquationCase{"*x", 1, 4, 0},
        EquationCase{"x*", 1, 4, 0}, EquationCase{"-", 1, 4, 0}, EquationCase{"(x", 1, 5, 0},
        EquationCase{"(x*2", 1, 5, 0}, EquationCase{")", 1, 4, 0},
        // Division by zero, also by a computed or negative zero.
        EquationCase{"x/(1-1)", 7, 3, 0}, EquationCase{"x/-0", 7, 3, 0},
        EquationCase{"0/x", 0, 3, 0}, EquationCase{"1+x/0", 2, 3, 0},
        // The first failure ends the evaluation.
        EquationCase{"x/0*(", 1, 3, 0}, EquationCase{"(x/0", 1, 3, 0},
        // Operand runs: leading blanks, exponents, and what stops a number.
        EquationCase{" 12", 0, 0, 12}, EquationCase{"12 ", 0, 0, 12},
        EquationCase{"x* 3", 2, 0, 6}, EquationCase{"1e3", 0, 0, 1000},
        EquationCase{"1.5E2*x", 2, 0, 300},
        EquationCase{"1e-3", 0, 0, -2},          // the run is "1e": 1, then minus 3
        EquationCase{".5*x", 4, 0, 2}, EquationCase{"5.*x", 4, 0, 20},
        EquationCase{"x*.", 4, 0, 0},
        // Not decimal numbers: hex and "inf" and "nan" read as 0.
        EquationCase{"0x1A", 0, 0, 0}, EquationCase{"inf", 0, 0, 0},
        EquationCase{"nan+x", 3, 0, 3}, EquationCase{"1.2.3", 0, 0, 1.2f}));

TEST(EvaluateEquation, NeverReadsPastTheEndOfTheText) {
    const char buffer[] = "12345";
    float value = 0;
    ASSERT_EQ(EvaluateEquation(std::string_view(buffer, 2), 0, value), 0);
    EXPECT_EQ(value, 12);
    const char withExponent[] = "x*2e5";
    ASSERT_EQ(EvaluateEquation(std::string_view(withExponent, 3), 3, value), 0);
    EXPECT_EQ(value, 6);
    const char openParen[] = "(x)";
    EXPECT_EQ(EvaluateEquation(std::string_view(openParen, 2), 3, value), 5);
}

TEST(EvaluateEquation, NestingIsCappedWithoutExhaustingTheStack) {
    auto nested = [](int depth) {
        return std::string(static_cast<std::size_t>(depth), '(') + "x" +
               std::string(static_cast<std::size_t>(depth), ')');
    };
    float value = 0;
    ASSERT_EQ(EvaluateEquation(nested(kEquationMaxDepth), 5, value), 0);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(EvaluateEquation(nested(kEquationMaxDepth + 1), 5, value), kEquationMissingParen);
    EXPECT_EQ(EvaluateEquation(std::string(1000000, '('), 5, value), kEquationMissingParen);
    // Minus signs are counted, not recursed.
    ASSERT_EQ(EvaluateEquation(std::string(1000000, '-') + "x", 5, value), 0);
    EXPECT_EQ(value, 5);
}

TEST(EvaluateEquation, OverflowingOperandsAndInfiniteArithmeticStayDefined) {
    float value = 0;
    ASSERT_EQ(EvaluateEquation("1e39", 0, value), 0);
    EXPECT_TRUE(std::isinf(value) && value > 0);
    ASSERT_EQ(EvaluateEquation("1e999999999999", 0, value), 0);
    EXPECT_TRUE(std::isinf(value));
    ASSERT_EQ(EvaluateEquation("x*1e30*1e30", 1, value), 0);
    EXPECT_TRUE(std::isinf(value));
    // A run cannot hold a negative exponent ("1e-999" is 1e minus 999); leading
    // zeros are the only way down.
    ASSERT_EQ(EvaluateEquation("1e-999", 0, value), 0);
    EXPECT_EQ(value, -998);
    ASSERT_EQ(EvaluateEquation("0." + std::string(400, '0') + "1", 0, value), 0);
    EXPECT_EQ(value, 0);
    // NaN is not zero, so dividing by it is no division by zero.
    EXPECT_EQ(EvaluateEquation("1/x", std::numeric_limits<float>::quiet_NaN(), value), 0);
    EXPECT_TRUE(std::isnan(value));
}

struct ScanCase {
    const char* text;
    double value;
    std::size_t used;
};

TEST(ScanDecimal, ReadsLikeTheDecimalConversionOfTheCLibrary) {
    const ScanCase cases[] = {
        {"  -1.5e2x", -150, 8}, {"+7", 7, 2},   {"abc", 0, 0},    {"1e", 1, 1},
        {"1e+", 1, 1},          {".5", 0.5, 2}, {".", 0, 0},       {"-", 0, 0},
        {"", 0, 0},             {"0x1A", 0, 1}, {"inf", 0, 0},     {"\t\n3", 3, 3},
        {"12.5.6", 12.5, 4},    {"1E-2", 0.01, 4},
    };
    for (const ScanCase& c : cases) {
        double value = -1;
        EXPECT_EQ(ScanDecimal(c.text, value), c.used) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
    double value = 0;
    ScanDecimal("-1e400", value);
    EXPECT_TRUE(std::isinf(value) && value < 0);
    ScanDecimal("0.0000001e-400", value);
    EXPECT_EQ(value, 0);
    ScanDecimal("123456789012345678901234567890e-320", value);   // a long mantissa
    EXPECT_DOUBLE_EQ(value, 1.2345678901234568e-291);
}

TEST(ReadFloat, RoundsToFloatAndSaturatesToInfinity) {
    EXPECT_EQ(ReadFloat("3.4028235e38"), std::numeric_limits<float>::max());
    EXPECT_TRUE(std::isinf(ReadFloat("3.5e38")));
    EXPECT_EQ(ReadFloat("0.1"), 0.1f);
    EXPECT_EQ(ReadFloat("nothing"), 0.0f);
}

}  // namespace
