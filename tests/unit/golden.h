// The golden list of the calls the programs make, shared with the Wine tests.
#pragma once

#include <string>
#include <vector>

// One section of the list, with the lines for the other program left out.
std::vector<std::string> GoldenCalls(const std::string& section);
