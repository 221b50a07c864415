// X errors. Xlib has one error handler for every connection of a process:
// an error that an ExpectedErrors covers is noted, any other ends the
// program with one line on stderr. A request that another client's timing
// can make fail (focusing a window its manager has not shown yet,
// destroying one that is already gone) is sent while an ExpectedErrors
// names the error codes it may fail with.
#pragma once

#include <X11/Xlib.h>

#include <initializer_list>

namespace x11 {

// Makes this module's handler the process's X error handler.
void HandleErrors();

// The requests sent on the display while one lives may fail with these
// codes. Judged by the requests' serial numbers, however late the server
// reports them, so nothing waits for the server unless Caught is asked.
class ExpectedErrors {
 public:
  ExpectedErrors(Display* display, std::initializer_list<unsigned char> codes);
  ~ExpectedErrors();
  ExpectedErrors(const ExpectedErrors&) = delete;
  ExpectedErrors& operator=(const ExpectedErrors&) = delete;

  // Whether one of the requests sent so far has failed so: waits for the server's answer.
  bool Caught();

 private:
  Display* display_;
  unsigned long id_;
};

// Forgets what is expected of a display about to close.
void ForgetExpectedErrors(Display* display);

}  // namespace x11
