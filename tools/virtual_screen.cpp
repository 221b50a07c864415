// Runs a command on a virtual X server of its own, which DISPLAY names for
// it, and exits as the command does; the server ends with it.
//
//   virtual_screen WIDTHxHEIGHT COMMAND [ARGUMENT...]
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/process.h"
#include "tools/xvfb.h"

int main(int argc, char** argv) {
  int width = 0;
  int height = 0;
  if (argc < 3 || std::sscanf(argv[1], "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0) {
    std::fprintf(stderr, "usage: %s WIDTHxHEIGHT COMMAND [ARGUMENT...]\n", argv[0]);
    return 2;
  }
  try {
    const tools::XvfbServer server(width, height);
    tools::Process command(std::vector<std::string>(argv + 2, argv + argc), tools::Process::Output::shared);
    const int code = command.Wait();
    // As a shell reports a command that a signal ended.
    return code >= 0 ? code : 128 - code;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
    return 125;
  }
}
