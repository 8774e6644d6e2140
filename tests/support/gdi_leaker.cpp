// A process that makes and keeps GDI objects on command, so that a count taken from outside
// can be checked against what it really holds. Reads commands from stdin, one a line:
//   leak N   makes N more objects of mixed kinds (brush, pen, region, bitmap, DC, font)
//   free     deletes all it made
//   quit
// and answers each (and its start) with "ready", flushed at once. Before its first "ready" it
// makes and frees one object of each kind: the first DC and font of a process fill caches of
// the system's own that stay for its life, and they belong to the count it starts from.
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win.h"

namespace {

HGDIOBJ Make(int i) {
  switch (i % 6) {
    case 0: return CreateSolidBrush(RGB(i & 0xFF, 0, 0));
    case 1: return CreatePen(PS_SOLID, 1, RGB(0, i & 0xFF, 0));
    case 2: return CreateRectRgn(0, 0, i % 100 + 1, 1);
    case 3: return CreateBitmap(8, 8, 1, 32, nullptr);
    case 4: return CreateCompatibleDC(nullptr);
    default: return CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
  }
}

void Delete(HGDIOBJ object) {
  if (GetObjectType(object) == OBJ_MEMDC) DeleteDC(static_cast<HDC>(object));
  else DeleteObject(object);
}

}  // namespace

int main() {
  for (int i = 0; i < 6; ++i) Delete(Make(i));
  std::vector<HGDIOBJ> kept;
  std::puts("ready");
  std::fflush(stdout);
  char line[64];
  while (std::fgets(line, sizeof line, stdin)) {
    int n = 0;
    if (std::sscanf(line, "leak %d", &n) == 1) {
      for (int i = 0; i < n; ++i) kept.push_back(Make(static_cast<int>(kept.size())));
    } else if (std::strncmp(line, "free", 4) == 0) {
      for (HGDIOBJ object : kept) Delete(object);
      kept.clear();
    } else if (std::strncmp(line, "quit", 4) == 0) {
      break;
    }
    std::puts("ready");
    std::fflush(stdout);
  }
  for (HGDIOBJ object : kept) Delete(object);
  return 0;
}
