#include "platform/dpi.h"

namespace platform {
namespace {

// DPI_AWARENESS_CONTEXT values, spelt out so the file builds against any SDK.
const auto kPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const auto kPerMonitor = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

struct DpiFunctions {
  BOOL(WINAPI* setProcessDpiAwarenessContext)(HANDLE) = nullptr;
  HRESULT(WINAPI* setProcessDpiAwareness)(int) = nullptr;
  BOOL(WINAPI* setProcessDPIAware)() = nullptr;
  UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
  HRESULT(WINAPI* getDpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;
};

template <typename F>
void Load(HMODULE module, const char* name, F& target) {
  if (module) target = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const DpiFunctions& Functions() {
  static const DpiFunctions table = [] {
    DpiFunctions f;
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    HMODULE shcore = LoadLibraryW(L"shcore.dll");  // kept for the life of the process
    Load(user32, "SetProcessDpiAwarenessContext", f.setProcessDpiAwarenessContext);
    Load(shcore, "SetProcessDpiAwareness", f.setProcessDpiAwareness);
    Load(user32, "SetProcessDPIAware", f.setProcessDPIAware);
    Load(user32, "GetDpiForWindow", f.getDpiForWindow);
    Load(shcore, "GetDpiForMonitor", f.getDpiForMonitor);
    return f;
  }();
  return table;
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : kDesignDpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace

void EnsureDpiAwareness() {
  const DpiFunctions& f = Functions();
  if (f.setProcessDpiAwarenessContext &&
      (f.setProcessDpiAwarenessContext(kPerMonitorV2) || f.setProcessDpiAwarenessContext(kPerMonitor))) {
    return;
  }
  if (f.setProcessDpiAwareness && SUCCEEDED(f.setProcessDpiAwareness(2 /* per monitor */))) return;
  if (f.setProcessDPIAware) f.setProcessDPIAware();
}

int DpiForWindow(HWND hwnd) {
  const DpiFunctions& f = Functions();
  if (hwnd && f.getDpiForWindow) {
    UINT dpi = f.getDpiForWindow(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

int DpiForPrimaryMonitor() {
  const DpiFunctions& f = Functions();
  if (f.getDpiForMonitor) {
    HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    UINT x = 0, y = 0;
    if (primary && SUCCEEDED(f.getDpiForMonitor(primary, 0 /* effective */, &x, &y)) && x > 0) {
      return static_cast<int>(x);
    }
  }
  return SystemDpi();
}

}  // namespace platform
