#include "shell/shell.h"

UINT WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, INT) {
  WNDCLASSEXA windowClass;
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_BYTEALIGNWINDOW | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = WndProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(appIconId));
  windowClass.hCursor = nullptr;
  windowClass.hbrBackground = nullptr;
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = appName;
  windowClass.hIconSm = nullptr;

  // Without a class or a window no key can ever end the loop below, so give up instead of waiting forever.
  if (RegisterClassExA(&windowClass) == 0) {
    return 1;
  }
  const HWND window =
      CreateWindowExA(0, appName, appName, WS_POPUPWINDOW, 0, 0, 800, 800, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    return 1;
  }
  ShowWindow(window, SW_SHOWMAXIMIZED);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) != 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<UINT>(message.wParam);
}
