#pragma once
// The equation language of the map items (variable x) and its evaluator.
//
//   expression := term { ("+" | "-") term }
//   term       := factor { ("*" | "/") factor }
//   factor     := { "-" } operand
//   operand    := "x" | "(" expression ")" | run
//
// No blanks are skipped. A run is every character up to, not including, the
// next "(", ")", "+", "-", "*", "/" or the end of the text; it is read as a
// decimal number (see ScanDecimal), so "2x" is 2, "X" is 0 and "x 2" is x.
// Whatever follows a complete expression is ignored: "x*2)" is 2x.
// Arithmetic is 32-bit float throughout.
#include <cstddef>
#include <string_view>

enum : int {
    kEquationOk = 0,
    kEquationDivideByZero = 3,
    kEquationEmptyOperand = 4,
    // A "(" without its ")", and also parentheses nested deeper than
    // kEquationMaxDepth: both are texts the evaluator will not finish.
    kEquationMissingParen = 5,
};

// Equation texts come from definition files; a hostile one must not drive the
// evaluator's recursion into the stack. 64 levels is far beyond any real
// equation.
constexpr int kEquationMaxDepth = 64;

// Evaluates text with the variable set to x. Returns the first failure code,
// or kEquationOk with the result in value; on failure value is 0. Never reads
// outside text, never allocates, never throws.
int EvaluateEquation(std::string_view text, float x, float& value);

// The C library's decimal conversion, locale-independent and bounded by the
// text: leading blanks (space, \t \n \v \f \r) are skipped, an optional sign,
// digits with an optional ".", an optional exponent ("e"/"E", optional sign,
// at least one digit; "1e" reads as 1). Reading stops at the first character
// that cannot continue the number; a text without digits gives 0. Hex forms
// ("0x1A" reads as 0) and "inf"/"nan" (read as 0) are not numbers here: the
// equations and limits of the definitions are plain decimal, and an infinity
// typed into a cell must not slip through as a value. A magnitude beyond the
// double range gives +-infinity (overflow) or 0 (underflow), as strtod does.
// Returns the number of characters that form the number (0 when none).
std::size_t ScanDecimal(std::string_view text, double& value);

// A text read the way "%f" reads it: ScanDecimal rounded to float; 0 when the
// text holds no number.
float ReadFloat(std::string_view text);
