// X servers of our own: one that picks a free display and names it on the
// descriptor that -displayfd gives it, and DISPLAY pointed at it while it
// runs; among them a virtual one, of the given size and depth and any
// further options.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/process.h"

namespace tools {

// The screen that the tests, the demo and the Windows runs get when they ask for no other size.
constexpr int testScreenWidth = 1024;
constexpr int testScreenHeight = 768;

class XServer {
 public:
  // The server's command, to which -displayfd and its descriptor are added.
  explicit XServer(std::vector<std::string> command);

  const std::string& Display() const { return display_; }
  pid_t Pid() const { return server_->Pid(); }
  // Ends the server at once, as a crash would.
  void Kill() { server_.reset(); }

 private:
  std::unique_ptr<Process> server_;
  std::string display_;
};

class XvfbServer : public XServer {
 public:
  XvfbServer(int width, int height, int depth = 24, const std::vector<std::string>& options = {});
};

}  // namespace tools
