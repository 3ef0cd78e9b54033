// Comparing doubles the two ways the tests need.
#pragma once

#include <cmath>
#include <cstring>

namespace pairseek::testing {

// Equal as values, or both NaN.
inline bool sameDouble(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

// Equal to the bit, signed zeros included; any NaN matches any NaN, since which
// operand's NaN an operation passes on is the compiler's choice.
inline bool sameBits(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof(double)) == 0;
}

}  // namespace pairseek::testing
