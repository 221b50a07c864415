#include "tests/support/golden.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

std::vector<GoldenCall> ReadGoldenSection(const std::string& path, const std::string& section,
                                          const std::string& program, bool meter) {
  std::ifstream file(path);
  std::vector<GoldenCall> calls;
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
    if (!inside) {
      continue;
    }
    if (colon == std::string::npos || colon > line.find('(')) {
      calls.push_back({line, false});
      continue;
    }
    // Tags before the colon: a program's name, "meter", "sometimes".
    bool made = true;
    bool sometimes = false;
    std::istringstream tags(line.substr(0, colon));
    for (std::string tag; std::getline(tags >> std::ws, tag, ',');) {
      sometimes = sometimes || tag == "sometimes";
      made = made && !((tag == "overdraw" || tag == "cleardraw") && tag != program) && !(tag == "meter" && !meter);
    }
    if (made) {
      calls.push_back({line.substr(colon + 2), sometimes});
    }
  }
  if (!found) {
    throw std::runtime_error("no section [" + section + "] in " + path);
  }
  return calls;
}

std::vector<std::string> SplitCall(const std::string& text) {
  const std::size_t open = text.find('(');
  std::vector<std::string> parts = {text.substr(0, open)};
  const std::string arguments = text.substr(open + 1, text.rfind(')') - open - 1);
  std::string argument;
  bool quoted = false;
  for (const char c : arguments) {
    if (c == ',' && !quoted) {
      parts.push_back(argument);
      argument.clear();
      continue;
    }
    quoted = quoted != (c == '"');
    if (!(c == ' ' && argument.empty())) {
      argument += c;
    }
  }
  if (!argument.empty() || parts.size() > 1) {
    parts.push_back(argument);
  }
  return parts;
}

}  // namespace testsupport
