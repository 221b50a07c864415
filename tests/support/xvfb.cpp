#include "tests/support/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace testsupport {

XvfbServer::XvfbServer(int width, int height, int depth, const std::vector<std::string>& options) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
  const std::string fd = std::to_string(pipeFds[1]);
  std::vector<const char*> argv = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                                   "-noreset"};
  for (const std::string& option : options) {
    argv.push_back(option.c_str());
  }
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    // The server must neither outlive the test nor hold the test runner's output open.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
    close(pipeFds[0]);
    execvp(argv[0], const_cast<char* const*>(argv.data()));
    _exit(127);
  }
  close(pipeFds[1]);
  // Xvfb writes its display number to the descriptor once it accepts clients.
  pollfd ready{pipeFds[0], POLLIN, 0};
  std::string number;
  char c;
  while (poll(&ready, 1, 10000) == 1 && read(pipeFds[0], &c, 1) == 1 && c != '\n') {
    number += c;
  }
  close(pipeFds[0]);
  if (number.empty()) {
    Kill();
    throw std::runtime_error("Xvfb did not start");
  }
  display_ = ":" + number;
  setenv("DISPLAY", display_.c_str(), 1);
}

XvfbServer::~XvfbServer() { Kill(); }

void XvfbServer::Kill() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

}  // namespace testsupport
