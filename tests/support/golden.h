// The golden list of the calls the programs make (tests/golden/calls.txt),
// read for one build of one program.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct GoldenCall {
  std::string text;  // as the recording platform prints it: Name(argument, ...)
  bool sometimes;    // made in some of the section's occurrences only
};

// One section of the list, as that program makes it with or without the
// frame-rate meter. Throws if the list has no such section.
std::vector<GoldenCall> ReadGoldenSection(const std::string& path, const std::string& section,
                                          const std::string& program, bool meter);

// A call's name and its arguments as written, quoted strings whole.
std::vector<std::string> SplitCall(const std::string& text);

}  // namespace testsupport
