#include "common/float_digits.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace zeph {
namespace {

// A natural number in base 10^9, least significant limb first. A double's exact
// value m × 2^e needs at most 767 decimal digits (m × 5^1074 for the smallest).
class BigDecimal {
 public:
  explicit BigDecimal(std::uint64_t value) {
    do {
      limbs_[count_++] = static_cast<std::uint32_t>(value % kBase);
      value /= kBase;
    } while (value != 0);
  }

  // Multiplies by `factor` `times` times; factor × (kBase - 1) must fit 64 bits.
  void MultiplyBy(std::uint64_t factor, int times) {
    for (; times > 0; --times) {
      std::uint64_t carry = 0;
      for (int i = 0; i < count_; ++i) {
        const std::uint64_t product = limbs_[i] * factor + carry;
        limbs_[i] = static_cast<std::uint32_t>(product % kBase);
        carry = product / kBase;
      }
      for (; carry != 0; carry /= kBase) limbs_[count_++] = static_cast<std::uint32_t>(carry % kBase);
    }
  }

  // The decimal digits, most significant first, without leading zeros; their count.
  int Digits(char* out) const {
    int n = 0;
    for (int i = count_ - 1; i >= 0; --i) {
      char limb[9];
      std::uint32_t value = limbs_[i];
      for (int k = 8; k >= 0; --k, value /= 10) limb[k] = static_cast<char>('0' + value % 10);
      char* first = limb;
      if (n == 0) first = std::find_if(limb, limb + 8, [](char c) { return c != '0'; });
      n = static_cast<int>(std::copy(first, limb + 9, out + n) - out);
    }
    return n;
  }

  static constexpr int kMaxDigits = 774;

 private:
  static constexpr std::uint64_t kBase = 1000000000;
  std::uint32_t limbs_[kMaxDigits / 9 + 1] = {};
  int count_ = 0;
};

}  // namespace

FloatDigits ExactFloatDigits(double value) {
  FloatDigits result;
  result.digits.fill('0');
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const int biased = static_cast<int>(bits >> 52 & 0x7FF);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  int exponent2 = biased == 0 ? -1074 : biased - 1075;  // the value is mantissa × 2^exponent2
  if (biased != 0) mantissa |= std::uint64_t{1} << 52;
  if (mantissa == 0) return result;
  for (; mantissa % 2 == 0; mantissa /= 2) ++exponent2;

  // m × 2^e is an integer for e >= 0; else it is m × 5^-e / 10^-e.
  const bool fraction = exponent2 < 0;
  const int steps = fraction ? -exponent2 : exponent2;
  BigDecimal number(mantissa);
  if (fraction) {
    number.MultiplyBy(1220703125, steps / 13);  // 5^13
    number.MultiplyBy(5, steps % 13);
  } else {
    number.MultiplyBy(std::uint64_t{1} << 30, steps / 30);
    number.MultiplyBy(2, steps % 30);
  }
  const int exponent10 = fraction ? exponent2 : 0;

  char digits[BigDecimal::kMaxDigits];
  const int count = number.Digits(digits);
  result.exponent = count - 1 + exponent10;
  std::copy(digits, digits + std::min(count, kFloatDigits), result.digits.begin());
  if (count <= kFloatDigits) return result;

  // Round at the first dropped digit; exactly half (a 5, only zeros after) goes to even.
  const char first = digits[kFloatDigits];
  const bool more = std::any_of(digits + kFloatDigits + 1, digits + count, [](char c) { return c != '0'; });
  const bool odd = (result.digits[kFloatDigits - 1] - '0') % 2 != 0;
  if (first < '5' || (first == '5' && !more && !odd)) return result;
  for (int i = kFloatDigits - 1; i >= 0; --i) {
    if (result.digits[i] != '9') {
      ++result.digits[i];
      return result;
    }
    result.digits[i] = '0';
  }
  result.digits[0] = '1';  // 9.99... became 10.0...
  ++result.exponent;
  return result;
}

}  // namespace zeph
