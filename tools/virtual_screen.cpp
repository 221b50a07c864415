// Runs a command on a virtual X server of its own, which DISPLAY names for
// it, and exits as the command does; the server ends with it. The screen is
// the test screen unless a size is given.
//
//   virtual_screen [WIDTHxHEIGHT] COMMAND [ARGUMENT...]
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "tools/process.h"
#include "tools/xvfb.h"

namespace {

// Whether the argument is a whole WIDTHxHEIGHT; then its numbers are the size.
bool ReadSize(const char* argument, int& width, int& height) {
  int w = 0;
  int h = 0;
  int length = 0;
  if (std::sscanf(argument, "%dx%d%n", &w, &h, &length) != 2 ||
      static_cast<std::size_t>(length) != std::strlen(argument)) {
    return false;
  }
  width = w;
  height = h;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int width = tools::testScreenWidth;
  int height = tools::testScreenHeight;
  const int first = argc > 1 && ReadSize(argv[1], width, height) ? 2 : 1;
  if (first >= argc || width <= 0 || height <= 0) {
    std::fprintf(stderr, "usage: %s [WIDTHxHEIGHT] COMMAND [ARGUMENT...]\n", argv[0]);
    return 2;
  }
  try {
    const tools::XvfbServer server(width, height);
    tools::Process command(std::vector<std::string>(argv + first, argv + argc), tools::Process::Output::shared);
    const int code = command.Wait();
    // As a shell reports a command that a signal ended.
    return code >= 0 ? code : 128 - code;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
    return 125;
  }
}
