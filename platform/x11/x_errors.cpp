#include "platform/x11/x_errors.h"

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <vector>

#include "platform/x11/connection.h"

namespace x11 {
namespace {

// The requests from serial `first` up to `end` (0 while the expectation
// lives) may fail with these codes.
struct Expectation {
  unsigned long id;
  unsigned long first;
  unsigned long end;
  std::bitset<256> codes;
  bool caught;
};

std::vector<Expectation> expectations;
unsigned long lastId;

Expectation* Find(unsigned long id) {
  const auto found =
      std::find_if(expectations.begin(), expectations.end(), [id](const Expectation& e) { return e.id == id; });
  return found == expectations.end() ? nullptr : &*found;
}

// Once the server is known to have carried out an ended expectation's last
// request, any error of its requests has been read: it can go.
void ForgetAnswered(Display* dpy) {
  const unsigned long processed = LastKnownRequestProcessed(dpy);
  expectations.erase(std::remove_if(expectations.begin(), expectations.end(),
                                    [processed](const Expectation& e) { return e.end != 0 && e.end <= processed + 1; }),
                     expectations.end());
}

}  // namespace

int OnError(Display* dpy, XErrorEvent* error) {
  // The innermost expectation of those that cover the request takes its error.
  for (auto e = expectations.rbegin(); e != expectations.rend(); ++e) {
    if (error->serial >= e->first && (e->end == 0 || error->serial < e->end) && e->codes.test(error->error_code)) {
      e->caught = true;
      return 0;
    }
  }
  char what[160];
  XGetErrorText(dpy, error->error_code, what, sizeof what);
  char request[80];
  if (error->request_code < 128) {
    char code[16];
    std::snprintf(code, sizeof code, "%d", error->request_code);
    XGetErrorDatabaseText(dpy, "XRequest", code, code, request, sizeof request);
  } else {
    std::snprintf(request, sizeof request, "extension request %d.%d", error->request_code, error->minor_code);
  }
  char message[280];
  std::snprintf(message, sizeof message, "X error %s in %s", what, request);
  ExitWithMessage(message);
}

ExpectedErrors::ExpectedErrors(std::initializer_list<unsigned char> codes) : id_(++lastId) {
  Display* dpy = Connection();
  ForgetAnswered(dpy);
  Expectation expectation{id_, NextRequest(dpy), 0, {}, false};
  for (const unsigned char code : codes) {
    expectation.codes.set(code);
  }
  expectations.push_back(expectation);
}

ExpectedErrors::~ExpectedErrors() { Find(id_)->end = NextRequest(Connection()); }

bool ExpectedErrors::Caught() {
  XSync(Connection(), False);
  return Find(id_)->caught;
}

}  // namespace x11
