// Where the programs under test are.
#pragma once

#include <string>

inline std::string ProgramPath(const std::string& name) { return std::string(PROGRAM_DIR) + "/" + name; }
