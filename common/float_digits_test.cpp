#include "common/float_digits.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace zeph {
namespace {

// What the C library's printf makes of the value: "d.ddd…e±x" as digits and exponent.
std::string Printed(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", kFloatDigits - 1, value);
  std::string digits;
  const char* p = text;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  return digits + " e" + std::to_string(std::stoi(p + 1));
}

std::string Exact(double value) {
  const FloatDigits d = ExactFloatDigits(value);
  return std::string(d.digits.begin(), d.digits.end()) + " e" + std::to_string(d.exponent);
}

TEST(ExactFloatDigits, AgreesWithPrintf) {
  std::vector<double> values = {0.0, 1.0, 0.1, 0.5, 47.408333f, 18.5, 1e22, 9.999999999999999e22,
                                DBL_MAX, DBL_MIN, DBL_TRUE_MIN, DBL_MIN - DBL_TRUE_MIN, 1e-300,
                                123456789012345678.0, 999999999999999999.0, 0.000123};
  // Exact ties at the eighteenth digit: odd n / 8 between 1e15 and 1.125e15 has 19
  // significant digits and ends in 5; the digit before it is odd for some, even for others.
  for (std::uint64_t n = 8000000000000001; n < 8000000000000001 + 2 * 40; n += 2) values.push_back(n / 8.0);
  // Any bit pattern of a finite value, in every binade.
  std::mt19937_64 random(21);
  while (values.size() < 20000) {
    const std::uint64_t bits = random() & ~(std::uint64_t{1} << 63);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (value <= DBL_MAX) values.push_back(value);
  }
  int failures = 0;
  for (const double value : values) {
    if (Exact(value) != Printed(value) && ++failures <= 10) {
      ADD_FAILURE() << "%.17e of " << Printed(value) << ": " << Exact(value);
    }
  }
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace zeph
