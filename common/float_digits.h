#pragma once
// The significant decimal digits of a double, exact: what printf's "%.17e" shows,
// without printf, whose MinGW implementation (with its float conversion) is some
// 25 KB of the exe, or the floating-point to_chars, some 190 KB of tables.
#include <array>

namespace zeph {

// As many as an 80-bit float yields; everything after the eighteenth significant
// digit reads as zero.
constexpr int kFloatDigits = 18;

struct FloatDigits {
  std::array<char, kFloatDigits> digits{};  // '0'..'9', the first nonzero unless the value is 0
  int exponent = 0;                         // the value is d1.d2d3... × 10^exponent
};

// `value` finite and not negative; correctly rounded to kFloatDigits digits, a tie
// to the even digit, as printf rounds.
FloatDigits ExactFloatDigits(double value);

}  // namespace zeph
