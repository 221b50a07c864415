#include "platform/x11/x_errors.h"

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <vector>

#include "platform/core/exit.h"

namespace x11 {
namespace {

// The requests on `display` from serial `first` up to `end` (0 while the
// expectation lives) may fail with these codes.
struct Expectation {
  Display* display;
  unsigned long id;
  unsigned long first;
  unsigned long end;
  std::bitset<256> codes;
  bool caught;
};

// Of every connection: Xlib's handler is the process's.
std::vector<Expectation> expectations;
unsigned long lastId;

Expectation& Find(unsigned long id) {
  return *std::find_if(expectations.begin(), expectations.end(), [id](const Expectation& e) { return e.id == id; });
}

// Once the server is known to have carried out an ended expectation's last
// request, any error of its requests has been read: it can go.
void ForgetAnswered(Display* display) {
  const unsigned long processed = LastKnownRequestProcessed(display);
  expectations.erase(std::remove_if(expectations.begin(), expectations.end(),
                                    [&](const Expectation& e) {
                                      return e.display == display && e.end != 0 && e.end <= processed + 1;
                                    }),
                     expectations.end());
}

int OnError(Display* display, XErrorEvent* error) {
  // The innermost expectation of those that cover the request takes its error.
  for (auto e = expectations.rbegin(); e != expectations.rend(); ++e) {
    if (e->display == display && error->serial >= e->first && (e->end == 0 || error->serial < e->end) &&
        e->codes.test(error->error_code)) {
      e->caught = true;
      return 0;
    }
  }
  char what[160];
  XGetErrorText(display, error->error_code, what, sizeof what);
  char request[80];
  if (error->request_code < 128) {
    char code[16];
    std::snprintf(code, sizeof code, "%d", error->request_code);
    XGetErrorDatabaseText(display, "XRequest", code, code, request, sizeof request);
  } else {
    std::snprintf(request, sizeof request, "extension request %d.%d", error->request_code, error->minor_code);
  }
  char message[280];
  std::snprintf(message, sizeof message, "X error %s in %s", what, request);
  core::ExitWithMessage(message);
}

}  // namespace

void HandleErrors() { XSetErrorHandler(OnError); }

ExpectedErrors::ExpectedErrors(Display* display, std::initializer_list<unsigned char> codes)
    : display_(display), id_(++lastId) {
  HandleErrors();
  ForgetAnswered(display);
  Expectation expectation{display, id_, NextRequest(display), 0, {}, false};
  for (const unsigned char code : codes) {
    expectation.codes.set(code);
  }
  expectations.push_back(expectation);
}

ExpectedErrors::~ExpectedErrors() {
  Find(id_).end = NextRequest(display_);
  ForgetAnswered(display_);
}

bool ExpectedErrors::Caught() {
  XSync(display_, False);
  return Find(id_).caught;
}

void ForgetExpectedErrors(Display* display) {
  expectations.erase(std::remove_if(expectations.begin(), expectations.end(),
                                    [display](const Expectation& e) { return e.display == display; }),
                     expectations.end());
}

}  // namespace x11
