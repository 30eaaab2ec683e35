#include "crash/report.h"

#include <algorithm>

namespace zeph::crash {
namespace {

// Appends to a fixed buffer and silently drops what no longer fits; the text stays
// terminated at every step.
class Writer {
 public:
  Writer(wchar_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {
    if (capacity_ > 0) out_[0] = L'\0';
  }
  Writer& Text(const wchar_t* text) {
    for (; text != nullptr && *text != L'\0'; ++text) Char(*text);
    return *this;
  }
  Writer& Char(wchar_t c) {
    if (length_ + 1 < capacity_) {
      out_[length_++] = c;
      out_[length_] = L'\0';
    }
    return *this;
  }
  Writer& Decimal(std::uint64_t value, unsigned minDigits = 1) {
    wchar_t digits[24];
    unsigned count = 0;
    do {
      digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
      value /= 10;
    } while (value != 0 || count < minDigits);
    while (count > 0) Char(digits[--count]);
    return *this;
  }
  Writer& Hex(std::uint64_t value, unsigned digits) {
    for (unsigned shift = digits * 4; shift > 0; shift -= 4) Char(L"0123456789ABCDEF"[(value >> (shift - 4)) & 0xF]);
    return *this;
  }
  Writer& Address(std::uint64_t value) { return Text(L"0x").Hex(value, value > 0xFFFFFFFFu ? 16 : 8); }
  Writer& Location(const CodeLocation& where) {
    if (where.module[0] == L'\0') return Address(where.address);
    return Text(where.module).Text(L"+0x").Hex(where.offset, where.offset > 0xFFFFFFFFu ? 16 : 8);
  }
  Writer& Line() { return Text(L"\r\n"); }
  std::size_t Length() const { return length_; }

 private:
  wchar_t* out_;
  std::size_t capacity_;
  std::size_t length_ = 0;
};

struct CodeName {
  std::uint32_t code;
  const wchar_t* name;
};

constexpr CodeName kCodeNames[] = {
    {0x80000001u, L"GUARD_PAGE_VIOLATION"},  {0x80000002u, L"DATATYPE_MISALIGNMENT"},
    {0x80000003u, L"BREAKPOINT"},            {0x80000004u, L"SINGLE_STEP"},
    {0xC0000005u, L"ACCESS_VIOLATION"},      {0xC0000006u, L"IN_PAGE_ERROR"},
    {0xC0000008u, L"INVALID_HANDLE"},        {0xC000001Du, L"ILLEGAL_INSTRUCTION"},
    {0xC0000025u, L"NONCONTINUABLE_EXCEPTION"}, {0xC0000026u, L"INVALID_DISPOSITION"},
    {0xC000008Cu, L"ARRAY_BOUNDS_EXCEEDED"}, {0xC000008Du, L"FLT_DENORMAL_OPERAND"},
    {0xC000008Eu, L"FLT_DIVIDE_BY_ZERO"},    {0xC000008Fu, L"FLT_INEXACT_RESULT"},
    {0xC0000090u, L"FLT_INVALID_OPERATION"}, {0xC0000091u, L"FLT_OVERFLOW"},
    {0xC0000092u, L"FLT_STACK_CHECK"},       {0xC0000093u, L"FLT_UNDERFLOW"},
    {0xC0000094u, L"INT_DIVIDE_BY_ZERO"},    {0xC0000095u, L"INT_OVERFLOW"},
    {0xC0000096u, L"PRIV_INSTRUCTION"},      {0xC00000FDu, L"STACK_OVERFLOW"},
    {0xC0000374u, L"HEAP_CORRUPTION"},       {0xC0000409u, L"STACK_BUFFER_OVERRUN"},
};

const wchar_t* AccessOperation(std::uint64_t operation) {
  switch (operation) {
    case 0: return L"read";
    case 1: return L"write";
    case 8: return L"execute";
    default: return L"access";
  }
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// How many characters of `text` from `at` are digits.
std::size_t Digits(const wchar_t* text, std::size_t at) {
  std::size_t count = 0;
  while (IsDigit(text[at + count])) ++count;
  return count;
}

bool SameIgnoringCase(const wchar_t* a, const wchar_t* b) {
  for (; *a != L'\0' && *b != L'\0'; ++a, ++b) {
    const wchar_t la = (*a >= L'A' && *a <= L'Z') ? static_cast<wchar_t>(*a + 32) : *a;
    if (la != *b) return false;
  }
  return *a == *b;
}

constexpr wchar_t kStemPrefix[] = L"tidewell-";
constexpr std::size_t kStemPrefixLength = 9;

// Length of the stem of a report's file name: "tidewell-" 8 digits "-" 6 digits "-"
// 1 to 10 digits, then ".txt" or ".dmp"; 0 when the name is not a report's.
std::size_t StemLength(const wchar_t* name) {
  for (std::size_t i = 0; i < kStemPrefixLength; ++i) {
    if (name[i] != kStemPrefix[i]) return 0;
  }
  std::size_t at = kStemPrefixLength;
  if (Digits(name, at) != 8 || name[at + 8] != L'-') return 0;
  at += 9;
  if (Digits(name, at) != 6 || name[at + 6] != L'-') return 0;
  at += 7;
  const std::size_t pid = Digits(name, at);
  if (pid == 0 || pid > 10) return 0;
  at += pid;
  if (!SameIgnoringCase(name + at, L".txt") && !SameIgnoringCase(name + at, L".dmp")) return 0;
  return at;
}

// Oldest first: by time, then by process id (its digits are not of fixed width).
bool Older(const wchar_t* a, const wchar_t* b) {
  constexpr std::size_t kTimeEnd = kStemPrefixLength + 15;  // "20261209-031502"
  for (std::size_t i = 0; i < kTimeEnd; ++i) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  const std::size_t la = Digits(a, kTimeEnd + 1), lb = Digits(b, kTimeEnd + 1);
  if (la != lb) return la < lb;
  for (std::size_t i = kTimeEnd + 1; i < kTimeEnd + 1 + la; ++i) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return false;
}

void Summary(Writer& w, const ReportFacts& facts) {
  switch (facts.kind) {
    case CrashKind::Exception:
      w.Text(L"exception 0x").Hex(facts.code, 8);
      if (const wchar_t* name = ExceptionName(facts.code)) w.Char(L' ').Text(name);
      break;
    case CrashKind::CxxError: w.Text(L"unhandled C++ error"); break;
    case CrashKind::Terminate: w.Text(L"std::terminate"); break;
    case CrashKind::PureVirtualCall: w.Text(L"pure virtual function call"); break;
    case CrashKind::InvalidParameter: w.Text(L"invalid parameter passed to the C runtime"); break;
  }
}

}  // namespace

std::size_t FormatSummary(const ReportFacts& facts, wchar_t* out, std::size_t capacity) {
  Writer w(out, capacity);
  Summary(w, facts);
  return w.Length();
}

const wchar_t* ExceptionName(std::uint32_t code) {
  for (const CodeName& entry : kCodeNames) {
    if (entry.code == code) return entry.name;
  }
  return nullptr;
}

std::size_t FormatReport(const ReportFacts& facts, wchar_t* out, std::size_t capacity) {
  Writer w(out, capacity);
  w.Text(L"Tidewell crash report").Line();
  w.Text(L"Program: Tidewell ").Text(facts.programVersion[0] ? facts.programVersion : L"(version unknown)");
  if (facts.architecture[0]) w.Text(L" (").Text(facts.architecture).Text(L")");
  w.Line();
  w.Text(L"Windows: ").Decimal(facts.windowsMajor).Char(L'.').Decimal(facts.windowsMinor).Char(L'.')
      .Decimal(facts.windowsBuild).Line();
  const LocalTime& t = facts.time;
  w.Text(L"Time: ").Decimal(t.year, 4).Char(L'-').Decimal(t.month, 2).Char(L'-').Decimal(t.day, 2).Char(L' ')
      .Decimal(t.hour, 2).Char(L':').Decimal(t.minute, 2).Char(L':').Decimal(t.second, 2).Line();
  w.Text(L"Process: ").Decimal(facts.processId).Line();
  w.Text(L"Thread: ").Decimal(facts.threadId).Text(facts.uiThread ? L" (UI thread)" : L" (worker thread)").Line();

  w.Text(L"What: ");
  Summary(w, facts);
  if (facts.kind == CrashKind::Exception) w.Text(L" at ").Location(facts.fault);
  w.Line();
  if (facts.kind == CrashKind::Exception && facts.access.known) {
    w.Text(L"Access: ").Text(AccessOperation(facts.access.operation)).Text(L" of ").Address(facts.access.target)
        .Line();
  }
  if (facts.message != nullptr && facts.message[0] != L'\0') {
    w.Text(facts.kind == CrashKind::Terminate ? L"Exception type: " : L"Error: ").Text(facts.message).Line();
  }

  w.Text(L"Stack:").Line();
  if (facts.frameCount == 0) w.Text(L"  (none)").Line();
  for (std::size_t i = 0; i < facts.frameCount && facts.frames != nullptr; ++i) {
    w.Text(L"  #").Decimal(i, 2).Text(L"  ").Location(facts.frames[i]).Line();
  }
  return w.Length();
}

const wchar_t* PlainWords(const ReportFacts& facts) {
  if (facts.kind == CrashKind::Exception && facts.code == 0xC0000005u) {
    return L"타이드웰이 사용할 수 없는 메모리에 접근하여 더 이상 실행할 수 없습니다.";
  }
  return L"타이드웰에 심각한 오류가 발생하여 더 이상 실행할 수 없습니다.";
}

std::size_t FormatReportStem(const LocalTime& time, std::uint32_t processId, wchar_t* out, std::size_t capacity) {
  Writer w(out, capacity);
  w.Text(kStemPrefix).Decimal(time.year, 4).Decimal(time.month, 2).Decimal(time.day, 2).Char(L'-')
      .Decimal(time.hour, 2).Decimal(time.minute, 2).Decimal(time.second, 2).Char(L'-').Decimal(processId);
  return w.Length();
}

void ReportStems::Add(const wchar_t* fileName) {
  const std::size_t length = StemLength(fileName);
  if (length == 0 || length >= kStemCapacity || size_ == kCapacity) return;
  for (std::size_t i = 0; i < size_; ++i) {
    if (std::equal(fileName, fileName + length, stems_[i]) && stems_[i][length] == L'\0') return;
  }
  std::copy(fileName, fileName + length, stems_[size_]);
  stems_[size_][length] = L'\0';
  ++size_;
}

std::size_t ReportStems::SortAndCountOld(std::size_t kept) {
  // An index sort over the fixed rows, then the rows moved into that order.
  std::size_t order[kCapacity];
  for (std::size_t i = 0; i < size_; ++i) order[i] = i;
  std::sort(order, order + size_, [this](std::size_t a, std::size_t b) { return Older(stems_[a], stems_[b]); });
  wchar_t sorted[kCapacity][kStemCapacity];
  for (std::size_t i = 0; i < size_; ++i) std::copy(stems_[order[i]], stems_[order[i]] + kStemCapacity, sorted[i]);
  for (std::size_t i = 0; i < size_; ++i) std::copy(sorted[i], sorted[i] + kStemCapacity, stems_[i]);
  return size_ > kept ? size_ - kept : 0;
}

}  // namespace zeph::crash
