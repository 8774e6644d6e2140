// Move-only owner of one handle, keyed on the function that closes it:
//   Unique<HBITMAP, DeleteObject>, Unique<HDC, DeleteDC>, Unique<HANDLE, CloseHandle> ...
#pragma once

#include <utility>

#include "platform/win.h"

namespace platform {

template <typename T>
constexpr bool IsNullHandle(T h) {
  if constexpr (std::is_same_v<T, HANDLE>) {
    return h == nullptr || h == INVALID_HANDLE_VALUE;
  } else {
    return h == T{};
  }
}

template <typename T, auto Close>
class Unique {
 public:
  Unique() = default;
  explicit Unique(T h) : h_(h) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : h_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~Unique() { reset(); }

  T get() const { return h_; }
  explicit operator bool() const { return !IsNullHandle(h_); }
  // Gives up ownership without closing: call only once the receiver has accepted it.
  T release() { return std::exchange(h_, T{}); }
  void reset(T h = T{}) {
    T old = std::exchange(h_, h);
    if (!IsNullHandle(old)) Close(old);
  }

 private:
  T h_{};
};

using UniqueHandle = Unique<HANDLE, CloseHandle>;
using UniqueFindHandle = Unique<HANDLE, FindClose>;

}  // namespace platform
