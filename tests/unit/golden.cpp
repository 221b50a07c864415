#include "golden.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

// Whether the tags before a line's colon let this build make the call every time.
bool AlwaysMade(const std::string& tags) {
  std::istringstream list(tags);
  for (std::string tag; std::getline(list >> std::ws, tag, ',');) {
    const bool holds = tag == (CLEARS_EVERY_FRAME ? "cleardraw" : "overdraw") || (tag == "meter" && SHOWS_FRAME_RATE);
    if (!holds) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<std::string> GoldenCalls(const std::string& section) {
  std::ifstream file(GOLDEN_CALLS);
  std::vector<std::string> calls;
  bool found = false;
  bool inside = false;
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    if (line[0] == '[') {
      inside = line == "[" + section + "]";
      found = found || inside;
      continue;
    }
    const std::size_t colon = line.find(": ");
    const std::size_t call = line.find('(');
    const bool tagged = colon != std::string::npos && colon < call;
    if (inside && (!tagged || AlwaysMade(line.substr(0, colon)))) {
      calls.push_back(tagged ? line.substr(colon + 2) : line);
    }
  }
  if (!found) {
    throw std::runtime_error("no section [" + section + "] in " GOLDEN_CALLS);
  }
  return calls;
}
