#include "platform/core/session.h"

#include <cstdio>
#include <cstdlib>

namespace core {
namespace {

// The Windows operations take no context of ours: they reach the session through this.
Session* current;

}  // namespace

Session::Session(std::unique_ptr<Backend> shownBy) : backend(std::move(shownBy)), windows(*backend, queue) {
  if (current != nullptr) {
    std::fputs("a second session in one process\n", stderr);
    std::abort();
  }
  current = this;
}

Session::~Session() { current = nullptr; }

Session& TheSession() { return *current; }

}  // namespace core
