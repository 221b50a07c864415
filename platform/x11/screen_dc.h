// The device context of the whole screen: the root window, drawn through
// every child window.
#pragma once

#include <X11/extensions/Xrender.h>

#include "platform/platform.h"

struct HDC__ {
  Picture picture;
  int width;
  int height;
};

namespace x11 {

bool IsLiveDC(HDC dc);

}  // namespace x11
