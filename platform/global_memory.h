// RAII for global memory blocks (the clipboard's and OLE streams' currency) and their locks.
#pragma once

#include <cstddef>
#include <utility>

#include "platform/unique.h"
#include "platform/win.h"

namespace platform {

using UniqueGlobal = Unique<HGLOBAL, GlobalFree>;

// GlobalLock/GlobalUnlock pair.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
  ~GlobalLockGuard() { unlock(); }

  void* data() const { return data_; }
  std::size_t size() const { return block_ ? GlobalSize(block_) : 0; }
  explicit operator bool() const { return data_ != nullptr; }
  void unlock() {
    if (data_) GlobalUnlock(block_);
    data_ = nullptr;
  }

 private:
  HGLOBAL block_;
  void* data_;
};

}  // namespace platform
