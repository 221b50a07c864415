// The golden list of the calls the programs make, shared with the Wine tests.
#pragma once

#include <string>
#include <vector>

// One section of the list, as this build of this program makes it in every
// occurrence of the section.
std::vector<std::string> GoldenCalls(const std::string& section);
