#pragma once
// The program's small formatter for texts with directives: "%d" (integer), "%s"
// (text), "%n" (number with thousands separators and, by default, two decimals),
// "%.0n" (the same without decimals) and "%%". A directive may carry a left-justify
// "-", a width and a ".precision", as in "%-8.1n". The separators come from the
// user's locale through NumberFormatSource, read once.
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace zeph {

struct NumberSeparators {
  std::wstring thousands = L",";  // may be empty: digits are then not grouped
  std::wstring decimal = L".";
};

// Where the user's separators come from. Win32: common/win32/number_format_win32.h.
class NumberFormatSource {
 public:
  virtual ~NumberFormatSource() = default;
  virtual const NumberSeparators& UserSeparators() = 0;
};

// One argument of a format. It refers to text, it does not own it.
class FormatArg {
 public:
  enum class Kind : std::uint8_t { Signed, Unsigned, Float, Text };

  FormatArg(int value) : kind_(Kind::Signed), signed_(value) {}
  FormatArg(long value) : kind_(Kind::Signed), signed_(value) {}
  FormatArg(long long value) : kind_(Kind::Signed), signed_(value) {}
  FormatArg(unsigned value) : kind_(Kind::Unsigned), unsigned_(value) {}
  FormatArg(unsigned long value) : kind_(Kind::Unsigned), unsigned_(value) {}
  FormatArg(unsigned long long value) : kind_(Kind::Unsigned), unsigned_(value) {}
  FormatArg(double value) : kind_(Kind::Float), float_(value) {}
  FormatArg(std::wstring_view value) : kind_(Kind::Text), text_(value) {}
  FormatArg(const wchar_t* value) : kind_(Kind::Text), text_(value) {}
  FormatArg(const std::wstring& value) : kind_(Kind::Text), text_(value) {}

  Kind kind() const { return kind_; }
  std::int64_t AsSigned() const { return signed_; }
  std::uint64_t AsUnsigned() const { return unsigned_; }
  double AsFloat() const { return float_; }
  std::wstring_view AsText() const { return text_; }

 private:
  Kind kind_;
  union {
    std::int64_t signed_;
    std::uint64_t unsigned_;
    double float_;
  };
  std::wstring_view text_;
};

// Writes the formatted text into `out`, replacing what it held but keeping its
// storage, so a caller that formats the same line every second allocates nothing.
// A directive that has no argument left, that is malformed ("%x"), or whose argument
// is of the wrong kind ("%d" given text), is copied as it stands instead of failing:
// these texts are shown every second, and a broken one must stay visible rather than
// stop the run. It still takes its argument, so the directives after it are filled
// from their own arguments.
void FormatTo(std::wstring& out, std::wstring_view format, std::span<const FormatArg> args,
              const NumberSeparators& separators);

std::wstring Format(std::wstring_view format, std::initializer_list<FormatArg> args,
                    const NumberSeparators& separators);

}  // namespace zeph
