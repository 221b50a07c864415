// X errors. One the program does not expect ends it, with one line on
// stderr; a request that another client's timing can make fail (focusing a
// window its manager has not shown yet, destroying one that is already
// gone) is sent while an ExpectedErrors names the error codes it may fail
// with, and such a failure is noted instead.
#pragma once

#include <X11/Xlib.h>

#include <initializer_list>

namespace x11 {

// The handler of every X error of the connection.
int OnError(Display* dpy, XErrorEvent* error);

// The requests sent while one lives may fail with these codes. Judged by
// the requests' serial numbers, however late the server reports them, so
// nothing waits for the server unless Caught is asked.
class ExpectedErrors {
 public:
  explicit ExpectedErrors(std::initializer_list<unsigned char> codes);
  ~ExpectedErrors();
  ExpectedErrors(const ExpectedErrors&) = delete;
  ExpectedErrors& operator=(const ExpectedErrors&) = delete;

  // Whether one of the requests sent so far has failed so: waits for the server's answer.
  bool Caught();

 private:
  unsigned long id_;
};

}  // namespace x11
