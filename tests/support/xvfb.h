// A virtual X server of the test's own, started with a screen of the given
// size and depth and any further options, and DISPLAY pointed at it while
// it runs.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

class XvfbServer {
 public:
  XvfbServer(int width, int height, int depth = 24, const std::vector<std::string>& options = {});
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  const std::string& Display() const { return display_; }
  pid_t Pid() const { return pid_; }
  // Ends the server at once, as a crash would.
  void Kill();

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace testsupport
