// A stand-in for a DLL an attacker plants beside the program under a system DLL's name. Its
// loader entry point fails, so a decode that went through it could not succeed.
#include "platform/win.h"

extern "C" __declspec(dllexport) HRESULT WINAPI OleLoadPicture(void*, LONG, BOOL, const void*, void** out) {
  if (out) *out = nullptr;
  return E_FAIL;
}
