#include "golden.h"

#include "tests/support/golden.h"

std::vector<std::string> GoldenCalls(const std::string& section) {
  std::vector<std::string> calls;
  for (const testsupport::GoldenCall& call :
       testsupport::ReadGoldenSection(GOLDEN_CALLS, section, CLEARS_EVERY_FRAME ? "cleardraw" : "overdraw",
                                      SHOWS_FRAME_RATE)) {
    if (!call.sometimes) {
      calls.push_back(call.text);
    }
  }
  return calls;
}
