#include "render/render.h"
#include "shell/shell.h"

DWORD keysDown[8];

static DWORD& KeyWord(WPARAM key) { return keysDown[key / 32 % 8]; }
static DWORD KeyBit(WPARAM key) { return 1u << key % 32; }

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
    case WM_KEYDOWN:
      // A repeat says the key was already down before this message: its
      // first press may have gone elsewhere, as the one that dismissed the
      // notice did.
      if ((HIWORD(lParam) & KF_REPEAT) == 0) {
        KeyWord(wParam) |= KeyBit(wParam);
      }
      break;
    case WM_KEYUP:
      if ((KeyWord(wParam) & KeyBit(wParam)) != 0) {
        PostQuitMessage(0);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
