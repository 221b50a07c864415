#include "tests/support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testsupport {

Process::Process(const std::vector<std::string>& command) {
  char pathTemplate[] = "/tmp/program-stderr-XXXXXX";
  const int stderrFd = mkstemp(pathTemplate);
  if (stderrFd < 0) {
    throw std::runtime_error("mkstemp failed");
  }
  stderrPath_ = pathTemplate;
  std::vector<char*> argv;
  for (const std::string& word : command) {
    argv.push_back(const_cast<char*>(word.c_str()));
  }
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(stderrFd, STDERR_FILENO);
    const int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(stderrFd);
}

Process::~Process() {
  if (Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  unlink(stderrPath_.c_str());
}

std::optional<int> Process::WaitForExit(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!status_) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status_;
}

bool Process::Running() { return !WaitForExit(std::chrono::milliseconds(0)).has_value(); }

std::string Process::Stderr() const {
  std::ifstream file(stderrPath_);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace testsupport
