#pragma once
// One move-only owner for every kind of handle: UniqueAny<Traits> closes its value
// with Traits::Close unless it holds Traits::Invalid(). Copying does not compile,
// and put() releases the old value before handing out the address to fill.
#include <utility>

namespace zeph {

template <typename Traits>
class UniqueAny {
 public:
  using Value = typename Traits::Value;

  UniqueAny() noexcept = default;
  explicit UniqueAny(Value value) noexcept : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  Value get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

  void reset(Value value = Traits::Invalid()) noexcept {
    if (value_ != Traits::Invalid()) Traits::Close(value_);
    value_ = value;
  }
  [[nodiscard]] Value release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  Value* put() noexcept {
    reset();
    return &value_;
  }

 private:
  Value value_ = Traits::Invalid();
};

}  // namespace zeph
