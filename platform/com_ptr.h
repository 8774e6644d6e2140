// Owner of one COM interface pointer: Release() at the end, no copies.
#pragma once

#include <utility>

#include "platform/win.h"

namespace platform {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* p) : p_(p) {}
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held and hands out the slot.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  T* release() { return std::exchange(p_, nullptr); }
  void reset(T* p = nullptr) {
    T* old = std::exchange(p_, p);
    if (old) old->Release();
  }

 private:
  T* p_ = nullptr;
};

}  // namespace platform
