// EvaluateEquation and the decimal reader on arbitrary text: the first four
// bytes (when there are enough) give the variable, the rest is the equation.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "model/Equation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    float x = 1.5F;
    if (size >= sizeof x) {
        std::memcpy(&x, data, sizeof x);
        data += sizeof x;
        size -= sizeof x;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    float value = 123.0F;
    const int result = EvaluateEquation(text, x, value);
    switch (result) {
    case kEquationOk: break;
    case kEquationDivideByZero:
    case kEquationEmptyOperand:
    case kEquationMissingParen:
        if (value != 0.0F) __builtin_trap();   // a failure leaves 0
        break;
    default: __builtin_trap();
    }
    double number = 0.0;
    if (ScanDecimal(text, number) > text.size()) __builtin_trap();
    (void)ReadFloat(text);
    return 0;
}
