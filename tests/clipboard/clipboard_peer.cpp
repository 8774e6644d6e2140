// A second process for the clipboard tests.
//   clipboard_peer read OUTFILE X Y   writes "bitmap W H R G B" (colour at X,Y) or "none"
//   clipboard_peer hold READY RELEASE [MS]
//       opens the clipboard with a window of its own, sets the event READY, and closes it
//       again when the event RELEASE is set, or MS milliseconds after READY
//   clipboard_peer decode OUTFILE    decodes a small capture; writes "<1|0> <olepro32 path>"
//   clipboard_peer naive OUTFILE     LoadLibraryA("olepro32"); writes "<its path>"
#include <cstdio>
#include <cwchar>
#include <cstdlib>

#include "capture/capture_image.h"
#include "clipboard/picture_decoding.h"
#include "platform/gdi.h"
#include "platform/unique.h"
#include "platform/win.h"

namespace {

int Read(const wchar_t* outFile, int x, int y) {
  FILE* out = _wfopen(outFile, L"w");
  if (!out) return 3;
  bool done = false;
  if (IsClipboardFormatAvailable(CF_BITMAP) && OpenClipboard(nullptr)) {
    if (auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
      BITMAP record{};
      if (GetObjectW(bitmap, sizeof record, &record)) {
        platform::UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
        COLORREF c = CLR_INVALID;
        {
          platform::SelectionGuard selected(dc.get(), bitmap);
          c = GetPixel(dc.get(), x, y);
        }
        std::fprintf(out, "bitmap %ld %ld %d %d %d\n", record.bmWidth, record.bmHeight, GetRValue(c), GetGValue(c),
                     GetBValue(c));
        done = true;
      }
    }
    CloseClipboard();
  }
  if (!done) std::fprintf(out, "none\n");
  std::fclose(out);
  return 0;
}

int Hold(const wchar_t* readyName, const wchar_t* releaseName, DWORD ms) {
  // A real window: a holder that opened with no window does not block others under Wine.
  HWND window = CreateWindowExW(0, L"STATIC", L"holder", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  if (!window || !OpenClipboard(window)) return 4;
  platform::UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, readyName));
  platform::UniqueHandle release(OpenEventW(SYNCHRONIZE, FALSE, releaseName));
  if (!ready || !release) return 5;
  SetEvent(ready.get());
  WaitForSingleObject(release.get(), ms);
  CloseClipboard();
  DestroyWindow(window);
  return 0;
}

void WriteModulePath(FILE* out, HMODULE module) {
  wchar_t path[MAX_PATH] = L"(none)";
  if (module) GetModuleFileNameW(module, path, MAX_PATH);
  char utf8[4 * MAX_PATH];
  WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8, sizeof utf8, nullptr, nullptr);
  std::fprintf(out, "%s\n", utf8);
}

int Decode(const wchar_t* outFile) {
  platform::UniqueBitmap bitmap(clipboard::BitmapFromImageBytes(capture::CaptureImage(nullptr, 0, 0, 63, 31), 0, 0));
  FILE* out = _wfopen(outFile, L"w");
  if (!out) return 3;
  std::fprintf(out, "%d ", bitmap ? 1 : 0);
  WriteModulePath(out, GetModuleHandleW(L"olepro32.dll"));
  std::fclose(out);
  return 0;
}

int Naive(const wchar_t* outFile) {
  HMODULE module = LoadLibraryA("olepro32");
  FILE* out = _wfopen(outFile, L"w");
  if (!out) return 3;
  WriteModulePath(out, module);
  std::fclose(out);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 5 && std::wcscmp(argv[1], L"read") == 0) return Read(argv[2], _wtoi(argv[3]), _wtoi(argv[4]));
  if (argc >= 3 && std::wcscmp(argv[1], L"decode") == 0) return Decode(argv[2]);
  if (argc >= 3 && std::wcscmp(argv[1], L"naive") == 0) return Naive(argv[2]);
  if (argc >= 4 && std::wcscmp(argv[1], L"hold") == 0) {
    return Hold(argv[2], argv[3], argc >= 5 ? static_cast<DWORD>(_wtoi(argv[4])) : 30000);
  }
  return 2;
}
