#include "tools/x_errors.h"

namespace tools {
namespace {

// Xlib has one error handler for the whole process.
unsigned long errors;

}  // namespace

XErrorsIgnored::XErrorsIgnored(Display* display) : display_(display) {
  XSync(display_, False);
  previous_ = XSetErrorHandler([](Display*, XErrorEvent*) { return ++errors, 0; });
  errorsBefore_ = errors;
}

XErrorsIgnored::~XErrorsIgnored() {
  XSync(display_, False);
  XSetErrorHandler(previous_);
}

bool XErrorsIgnored::Caught() {
  XSync(display_, False);
  return errors != errorsBefore_;
}

}  // namespace tools
