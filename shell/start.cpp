#include "shell/shell.h"

HINSTANCE hInstance;

extern "C" void Start() {
  MessageBoxA(nullptr, "ESC for exit", appName, MB_OK);
  hInstance = GetModuleHandleA(nullptr);
  const UINT code = WinMain(hInstance, nullptr, nullptr, SW_SHOWDEFAULT);
  ExitProcess(code);
}
