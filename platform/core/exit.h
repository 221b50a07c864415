// How the Linux layer gives up when the display server fails it: one line
// on stderr after the program's name, and exit code 1.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace core {

[[noreturn]] inline void ExitWithMessage(const char* what) {
  std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what);
  std::_Exit(1);
}

}  // namespace core
