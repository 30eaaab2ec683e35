#include "common/format.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/float_digits.h"

namespace zeph {
namespace {

constexpr int kMaxNumberDecimals = 18;
constexpr int kDefaultNumberDecimals = 2;

// A number as a string of significant decimal digits d1 d2 ... dn standing for
// 0.d1d2...dn × 10^intDigits.
struct Decimal {
  bool negative = false;
  char digits[24] = {};
  int count = 0;
  int intDigits = 0;
};

Decimal FromUnsigned(std::uint64_t value, bool negative) {
  Decimal d;
  d.negative = negative;
  const auto end = std::to_chars(d.digits, d.digits + sizeof d.digits, value).ptr;
  d.count = static_cast<int>(end - d.digits);
  d.intDigits = d.count;
  return d;
}

Decimal FromFloat(double value) {
  Decimal d;
  d.negative = std::signbit(value);
  const FloatDigits exact = ExactFloatDigits(std::fabs(value));
  std::copy(exact.digits.begin(), exact.digits.end(), d.digits);
  d.count = kFloatDigits;
  d.intDigits = exact.exponent + 1;
  return d;
}

// Rounds to `decimals` places, half away from zero on the decimal digits (a 5 in
// the first dropped place rounds up whatever follows), and appends the number with
// grouped integer digits.
void AppendNumber(std::wstring& out, Decimal d, int decimals, const NumberSeparators& separators) {
  const int keep = d.intDigits + decimals;
  if (keep < 0) {
    d.count = 0;
  } else if (keep < d.count) {
    const bool up = d.digits[keep] >= '5';
    d.count = keep;
    int i = keep - 1;
    for (; up && i >= 0; --i) {
      if (d.digits[i] != '9') {
        ++d.digits[i];
        break;
      }
      d.digits[i] = '0';
    }
    if (up && i < 0) {  // carried out of the first digit: 9.99 became 10.00
      std::copy_backward(d.digits, d.digits + d.count, d.digits + d.count + 1);
      d.digits[0] = '1';
      ++d.count;
      ++d.intDigits;
    }
  }
  const auto digitAt = [&d](int position) -> wchar_t {
    return position >= 0 && position < d.count ? static_cast<wchar_t>(d.digits[position]) : L'0';
  };
  const bool zero = std::all_of(d.digits, d.digits + d.count, [](char c) { return c == '0'; });
  if (d.negative && !zero) out += L'-';
  if (d.intDigits <= 0) {
    out += L'0';
  } else {
    for (int i = 0; i < d.intDigits; ++i) {
      if (i > 0 && (d.intDigits - i) % 3 == 0) out += separators.thousands;
      out += digitAt(i);
    }
  }
  if (decimals > 0) {
    out += separators.decimal;
    for (int i = 0; i < decimals; ++i) out += digitAt(d.intDigits + i);
  }
}

bool IsNegative(const FormatArg& arg) { return arg.kind() == FormatArg::Kind::Signed && arg.AsSigned() < 0; }

std::uint64_t Magnitude(const FormatArg& arg) {
  if (arg.kind() == FormatArg::Kind::Unsigned) return arg.AsUnsigned();
  const auto bits = static_cast<std::uint64_t>(arg.AsSigned());
  return IsNegative(arg) ? 0 - bits : bits;  // also right for the most negative value
}

void AppendInteger(std::wstring& out, const FormatArg& arg, int minDigits) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, Magnitude(arg)).ptr;
  if (IsNegative(arg)) out += L'-';
  for (auto n = end - digits; n < minDigits; ++n) out += L'0';
  for (const char* p = digits; p != end; ++p) out += static_cast<wchar_t>(*p);
}

bool AppendFloatSpecial(std::wstring& out, double value) {
  if (std::isnan(value)) {
    out += L"NAN";
  } else if (std::isinf(value)) {
    out += value < 0 ? L"-INF" : L"INF";
  } else {
    return false;
  }
  return true;
}

// Fills one directive from its argument; false when the argument cannot fill it.
bool AppendDirective(std::wstring& out, wchar_t type, int precision, const FormatArg& arg,
                     const NumberSeparators& separators) {
  using Kind = FormatArg::Kind;
  switch (type) {
    case L'd':
      if (arg.kind() != Kind::Signed && arg.kind() != Kind::Unsigned) return false;
      AppendInteger(out, arg, precision);
      return true;
    case L's':
      if (arg.kind() != Kind::Text) return false;
      out += precision >= 0 ? arg.AsText().substr(0, static_cast<std::size_t>(precision)) : arg.AsText();
      return true;
    case L'n': {
      const int decimals = precision < 0 ? kDefaultNumberDecimals : std::min(precision, kMaxNumberDecimals);
      switch (arg.kind()) {
        case Kind::Signed:
        case Kind::Unsigned:
          AppendNumber(out, FromUnsigned(Magnitude(arg), IsNegative(arg)), decimals, separators);
          return true;
        case Kind::Float:
          if (!AppendFloatSpecial(out, arg.AsFloat()))
            AppendNumber(out, FromFloat(arg.AsFloat()), decimals, separators);
          return true;
        case Kind::Text:
          return false;
      }
      return false;
    }
    default:
      return false;
  }
}

}  // namespace

void FormatTo(std::wstring& out, std::wstring_view format, std::span<const FormatArg> args,
              const NumberSeparators& separators) {
  out.clear();
  std::size_t nextArg = 0;
  std::size_t i = 0;
  while (i < format.size()) {
    const std::size_t percent = format.find(L'%', i);
    if (percent == std::wstring_view::npos) {
      out.append(format.substr(i));
      break;
    }
    out.append(format.substr(i, percent - i));
    std::size_t p = percent + 1;
    if (p < format.size() && format[p] == L'%') {
      out += L'%';
      i = p + 1;
      continue;
    }
    // "%" ["-"] [width] ["." precision] type
    const bool left = p < format.size() && format[p] == L'-';
    if (left) ++p;
    const auto readNumber = [&](int fallback) {
      if (p >= format.size() || format[p] < L'0' || format[p] > L'9') return fallback;
      int value = 0;
      for (; p < format.size() && format[p] >= L'0' && format[p] <= L'9'; ++p)
        value = std::min(value * 10 + (format[p] - L'0'), 9999);
      return value;
    };
    const int width = readNumber(0);
    int precision = -1;
    if (p < format.size() && format[p] == L'.') {
      ++p;
      precision = readNumber(0);
    }
    if (p >= format.size()) {  // the text ends inside the directive
      out.append(format.substr(percent));
      break;
    }
    const wchar_t type = static_cast<wchar_t>(format[p] | 0x20);  // "%N" is "%n"
    i = p + 1;
    const std::size_t start = out.size();
    if (nextArg >= args.size()) {
      out.append(format.substr(percent, i - percent));
      continue;
    }
    // A directive that cannot be filled still takes its argument, so the figures
    // after it land in their own places rather than each one place earlier.
    if (!AppendDirective(out, type, precision, args[nextArg++], separators)) {
      out.append(format.substr(percent, i - percent));
      continue;
    }
    const auto length = static_cast<int>(out.size() - start);
    if (length < width) {
      const auto pad = static_cast<std::size_t>(width - length);
      if (left) {
        out.append(pad, L' ');
      } else {
        out.insert(start, pad, L' ');
      }
    }
  }
}

std::wstring Format(std::wstring_view format, std::initializer_list<FormatArg> args,
                    const NumberSeparators& separators) {
  std::wstring out;
  FormatTo(out, format, std::span<const FormatArg>(args.begin(), args.size()), separators);
  return out;
}

}  // namespace zeph
