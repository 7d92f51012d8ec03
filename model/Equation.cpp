#include "model/Equation.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <system_error>

#include "platform/AsciiText.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// double -> float as the FPU rounds it, written out so that a double beyond
// the float range becomes an infinity by definition rather than by a cast the
// language leaves undefined.
float NarrowToFloat(double d) {
    // Halfway between FLT_MAX and 2^128: from here on round-to-nearest gives infinity.
    static const double kOverflowFrom = std::ldexp(1.0, 128) - std::ldexp(1.0, 103);
    if (std::isnan(d)) return static_cast<float>(d);
    if (d >= kOverflowFrom) return HUGE_VALF;
    if (d <= -kOverflowFrom) return -HUGE_VALF;
    if (d > FLT_MAX) return FLT_MAX;
    if (d < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(d);
}

// Decides overflow or underflow for a number from_chars could not hold:
// the decimal position of its first significant digit plus its exponent.
bool Overflows(std::string_view digits) {
    long position = 0;      // decimal exponent of the first significant digit, plus one
    bool seenPoint = false;
    bool seenSignificant = false;
    std::size_t i = 0;
    for (; i < digits.size(); ++i) {
        char c = digits[i];
        if (c == '.') { seenPoint = true; continue; }
        if (!IsDigit(c)) break;
        if (!seenSignificant) {
            if (c != '0') {
                seenSignificant = true;
                if (!seenPoint) ++position;
            } else if (seenPoint) {
                --position;
            }
        } else if (!seenPoint) {
            ++position;
        }
    }
    long exponent = 0;
    bool negative = false;
    if (i < digits.size()) {                       // "e" or "E"
        ++i;
        if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
        for (; i < digits.size() && IsDigit(digits[i]); ++i)
            if (exponent < 100000) exponent = exponent * 10 + (digits[i] - '0');
    }
    return position + (negative ? -exponent : exponent) > 0;
}

class Evaluator {
public:
    Evaluator(std::string_view text, float x) : p_(text.data()), end_(text.data() + text.size()), x_(x) {}

    int Run(float& value) {
        float v = Expression();
        value = code_ == kEquationOk ? v : 0.0f;
        return code_;
    }

private:
    const char* p_;
    const char* end_;
    float x_;
    int depth_ = 0;
    int code_ = kEquationOk;

    bool At(char c) const { return p_ < end_ && *p_ == c; }

    float Expression() {
        float v = Term();
        while (code_ == kEquationOk && (At('+') || At('-'))) {
            char op = *p_++;
            float rhs = Term();
            if (code_ != kEquationOk) break;
            v = op == '+' ? v + rhs : v - rhs;
        }
        return v;
    }

    float Term() {
        float v = Factor();
        while (code_ == kEquationOk && (At('*') || At('/'))) {
            char op = *p_++;
            float rhs = Factor();
            if (code_ != kEquationOk) break;
            if (op == '*') {
                v = v * rhs;
            } else if (rhs == 0.0f) {   // also -0
                code_ = kEquationDivideByZero;
                break;
            } else {
                v = v / rhs;
            }
        }
        return v;
    }

    // A run of "-" negates in turn: counted here, not recursed, so that a
    // text of a million minus signs costs no stack.
    float Factor() {
        bool negate = false;
        while (At('-')) {
            negate = !negate;
            ++p_;
        }
        float v = Operand();
        return negate ? -v : v;
    }

    float Operand() {
        if (At('x')) {
            ++p_;
            return x_;
        }
        if (At('(')) {
            ++p_;
            if (++depth_ > kEquationMaxDepth) {
                code_ = kEquationMissingParen;
                return 0.0f;
            }
            float v = Expression();
            --depth_;
            if (code_ != kEquationOk) return 0.0f;
            if (!At(')')) {
                code_ = kEquationMissingParen;
                return 0.0f;
            }
            ++p_;
            return v;
        }
        const char* runStart = p_;
        while (p_ < end_ && *p_ != '(' && *p_ != ')' && *p_ != '+' && *p_ != '-' && *p_ != '*' &&
               *p_ != '/')
            ++p_;
        if (p_ == runStart) {
            code_ = kEquationEmptyOperand;
            return 0.0f;
        }
        double d = 0.0;
        ScanDecimal(std::string_view(runStart, static_cast<std::size_t>(p_ - runStart)), d);
        return NarrowToFloat(d);
    }
};

}  // namespace

int EvaluateEquation(std::string_view text, float x, float& value) {
    return Evaluator(text, x).Run(value);
}

std::size_t ScanDecimal(std::string_view text, double& value) {
    value = 0.0;
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t numberStart = i;
    std::size_t digitCount = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digitCount;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digitCount;
    }
    if (digitCount == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            i = j;
        }
    }
    // The span is plain decimal by now, so from_chars (locale-free, bounded,
    // correctly rounded, allocation-free) reads exactly what strtod would.
    std::string_view number = text.substr(numberStart, i - numberStart);
    double magnitude = 0.0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), magnitude,
                                  std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        magnitude = Overflows(number) ? HUGE_VAL : 0.0;
    else if (result.ec != std::errc())
        magnitude = 0.0;
    value = negative ? -magnitude : magnitude;
    return i;
}

float ReadFloat(std::string_view text) {
    double d = 0.0;
    ScanDecimal(text, d);
    return NarrowToFloat(d);
}
