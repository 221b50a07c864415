#include "golden.h"

#include <fstream>
#include <stdexcept>

std::vector<std::string> GoldenCalls(const std::string& section) {
  const std::string otherProgram = CLEARS_EVERY_FRAME ? "overdraw: " : "cleardraw: ";
  const std::string thisProgram = CLEARS_EVERY_FRAME ? "cleardraw: " : "overdraw: ";
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
    } else if (inside && line.rfind(otherProgram, 0) != 0) {
      calls.push_back(line.rfind(thisProgram, 0) == 0 ? line.substr(thisProgram.size()) : line);
    }
  }
  if (!found) {
    throw std::runtime_error("no section [" + section + "] in " GOLDEN_CALLS);
  }
  return calls;
}
