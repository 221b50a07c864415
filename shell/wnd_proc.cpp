#include "render/render.h"
#include "shell/shell.h"

// Paint requests are answered without validating the update region, so the
// next one comes as soon as the queue is otherwise empty: that is the
// animation's clock.
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      DrawFrame();
      return 0;
    case WM_CREATE:
      InitDrawing();
      return 0;
    case WM_DESTROY:
      ShutdownDrawing();
      PostQuitMessage(0);
      return 0;
    case WM_KEYUP:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
