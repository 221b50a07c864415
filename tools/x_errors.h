// X errors passed over while an object lives: a window looked at may be gone
// by the time it is asked about, and another client may refuse a request.
#pragma once

#include <X11/Xlib.h>

namespace tools {

class XErrorsIgnored {
 public:
  explicit XErrorsIgnored(Display* display);
  ~XErrorsIgnored();
  XErrorsIgnored(const XErrorsIgnored&) = delete;
  XErrorsIgnored& operator=(const XErrorsIgnored&) = delete;

  // Whether the server refused a request made since the object was, once it has answered every one.
  bool Caught();

 private:
  Display* display_;
  XErrorHandler previous_;
  unsigned long errorsBefore_;
};

}  // namespace tools
