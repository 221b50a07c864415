// The golden list of calls for the Wine tests, written in Python: one
// section as that program makes it, one call a line, tab-separated:
// always|sometimes, the name, the arguments.
//
//   golden_calls SECTION PROGRAM METER(0|1)
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "tests/support/golden.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s SECTION PROGRAM METER(0|1)\n", argv[0]);
    return 2;
  }
  try {
    for (const testsupport::GoldenCall& call :
         testsupport::ReadGoldenSection(GOLDEN_CALLS, argv[1], argv[2], std::string(argv[3]) == "1")) {
      std::cout << (call.sometimes ? "sometimes" : "always");
      for (const std::string& part : testsupport::SplitCall(call.text)) {
        std::cout << "\t" << part;
      }
      std::cout << "\n";
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
    return 1;
  }
  return 0;
}
