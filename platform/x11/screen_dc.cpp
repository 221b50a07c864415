#include "platform/x11/screen_dc.h"

#include "platform/x11/connection.h"
#include "platform/x11/handle_table.h"

namespace x11 {
namespace {

HandleTable<HDC__> deviceContexts;

}  // namespace

bool IsLiveDC(HDC dc) { return deviceContexts.Contains(dc); }

}  // namespace x11

HDC WINAPI GetDC(HWND window) {
  // Only the whole screen is offered; the programs never draw into a window of their own.
  if (window != nullptr) {
    return nullptr;
  }
  Display* dpy = x11::Connection();
  const int screen = DefaultScreen(dpy);
  XRenderPictureAttributes attributes{};
  attributes.subwindow_mode = IncludeInferiors;
  const Picture picture =
      XRenderCreatePicture(dpy, RootWindow(dpy, screen), XRenderFindVisualFormat(dpy, DefaultVisual(dpy, screen)),
                           CPSubwindowMode, &attributes);
  return x11::deviceContexts.Add(
      std::make_unique<HDC__>(HDC__{picture, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)}));
}

INT WINAPI ReleaseDC(HWND, HDC dc) {
  const std::unique_ptr<HDC__> released = x11::deviceContexts.Remove(dc);
  if (released == nullptr) {
    return 0;
  }
  XRenderFreePicture(x11::Connection(), released->picture);
  return 1;
}
