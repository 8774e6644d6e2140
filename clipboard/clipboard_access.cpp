#include "clipboard/clipboard_access.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace clipboard {

namespace {

constexpr wchar_t kOwnerClass[] = L"TarnwickClipboardOwner";

HWND StartOwnerThread() {
  std::mutex mutex;
  std::condition_variable ready;
  bool done = false;
  HWND window = nullptr;
  std::thread([&] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kOwnerClass;
    RegisterClassExW(&wc);  // fails harmlessly if already registered
    HWND made = CreateWindowExW(0, kOwnerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    {
      std::lock_guard<std::mutex> lock(mutex);
      window = made;
      done = true;
    }
    ready.notify_one();
    if (!made) return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }).detach();
  std::unique_lock<std::mutex> lock(mutex);
  ready.wait(lock, [&] { return done; });
  return window;
}

}  // namespace

HWND ClipboardOwnerWindow() {
  static const HWND window = StartOwnerThread();
  return window;
}

ClipboardSession::ClipboardSession(HWND owner, DWORD patienceMs) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    open_ = OpenClipboard(owner) != FALSE;
    if (open_ || GetTickCount64() - start >= patienceMs) return;
    Sleep(10);
  }
}

ClipboardSession::~ClipboardSession() {
  if (open_) CloseClipboard();
}

}  // namespace clipboard
