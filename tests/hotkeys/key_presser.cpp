// Presses keys for a test from another process, one command a line on stdin:
//   down VK | up VK | quit
// Each command is answered "ok" once the key's global state reads as asked (or "fail"),
// so the test knows the key is down or up before it goes on. Keys still held at the end are
// released, so a failed test leaves no key stuck down in the prefix.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win.h"

namespace {

bool held[256] = {};

bool Press(int vk, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = static_cast<WORD>(vk);
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC));
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  if (SendInput(1, &input, sizeof input) != 1) return false;
  held[vk] = down;
  const ULONGLONG deadline = GetTickCount64() + 5000;
  while ((GetAsyncKeyState(vk) < 0) != down) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(1);  // polling the key state until it reads as asked
  }
  return true;
}

void Reply(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

bool Run(const std::string& line, bool* quit) {
  if (line == "quit") {
    *quit = true;
    return true;
  }
  const auto space = line.find(' ');
  if (space == std::string::npos) return false;
  const std::string verb = line.substr(0, space);
  const int vk = std::atoi(line.c_str() + space + 1);
  if (vk < 1 || vk > 255) return false;
  if (verb == "down") return Press(vk, true);
  if (verb == "up") return Press(vk, false);
  return false;
}

}  // namespace

int main() {
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  std::string line;
  bool quit = false;
  char c = 0;
  DWORD got = 0;
  while (!quit && ReadFile(in, &c, 1, &got, nullptr) && got == 1) {
    if (c == '\r') continue;
    if (c != '\n') {
      line += c;
      continue;
    }
    Reply(Run(line, &quit) ? "ok\n" : "fail\n");
    line.clear();
  }
  for (int vk = 1; vk < 256; ++vk)
    if (held[vk]) Press(vk, false);
  return 0;
}
