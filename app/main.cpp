// Program entry. The windows arrive with the window toolkit; until then the program starts
// and ends without showing anything.
#include "platform/win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
