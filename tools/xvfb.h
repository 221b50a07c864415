// A virtual X server of our own, started with a screen of the given size and
// depth and any further options, and DISPLAY pointed at it while it runs.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/process.h"

namespace tools {

class XvfbServer {
 public:
  XvfbServer(int width, int height, int depth = 24, const std::vector<std::string>& options = {});

  const std::string& Display() const { return display_; }
  pid_t Pid() const { return server_->Pid(); }
  // Ends the server at once, as a crash would.
  void Kill() { server_.reset(); }

 private:
  std::unique_ptr<Process> server_;
  std::string display_;
};

}  // namespace tools
