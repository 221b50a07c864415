#include "tools/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace tools {
namespace {

std::vector<std::string> XvfbCommand(int width, int height, int depth, const std::vector<std::string>& options) {
  std::vector<std::string> command = {"Xvfb", "-screen", "0",
                                      std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth),
                                      "-nolisten", "tcp", "-noreset"};
  command.insert(command.end(), options.begin(), options.end());
  return command;
}

}  // namespace

XServer::XServer(std::vector<std::string> command) {
  // The server writes its display's number to the one descriptor it inherits once it accepts clients.
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  fcntl(ready[1], F_SETFD, 0);
  const std::string name = command.front();
  command.insert(command.begin() + 1, {"-displayfd", std::to_string(ready[1])});
  server_ = std::make_unique<Process>(command);
  close(ready[1]);
  pollfd answer{ready[0], POLLIN, 0};
  std::string number;
  char c;
  while (poll(&answer, 1, 30000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n') {
    number += c;
  }
  close(ready[0]);
  if (number.empty()) {
    throw std::runtime_error(name + " did not start: " + server_->Stderr());
  }
  display_ = ":" + number;
  setenv("DISPLAY", display_.c_str(), 1);
  // A Wayland display inherited from the desktop we run on would take the programs there instead.
  unsetenv("WAYLAND_DISPLAY");
}

XvfbServer::XvfbServer(int width, int height, int depth, const std::vector<std::string>& options)
    : XServer(XvfbCommand(width, height, depth, options)) {}

}  // namespace tools
