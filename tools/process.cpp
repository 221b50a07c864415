#include "tools/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tools/wait.h"

namespace tools {
namespace {

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status); }

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

Process::Process(const std::vector<std::string>& command, Output output) {
  const auto makeOutputFile = [](std::string& path) {
    char pathTemplate[] = "/tmp/program-output-XXXXXX";
    const int fd = mkostemp(pathTemplate, O_CLOEXEC);
    if (fd < 0) {
      throw std::runtime_error("mkstemp failed");
    }
    path = pathTemplate;
    return fd;
  };
  const int stdoutFd = output == Output::captured ? makeOutputFile(stdoutPath_) : -1;
  const int stderrFd = output == Output::captured ? makeOutputFile(stderrPath_) : -1;
  std::vector<char*> argv;
  for (const std::string& word : command) {
    argv.push_back(const_cast<char*>(word.c_str()));
  }
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // A group of its own, which ends with it: what it started cannot outlive it.
    setpgid(0, 0);
    if (output == Output::captured) {
      dup2(stdoutFd, STDOUT_FILENO);
      dup2(stderrFd, STDERR_FILENO);
    }
    const int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, STDIN_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  // Here too, so that the group exists before anything is sent to it.
  setpgid(pid_, pid_);
  if (output == Output::captured) {
    close(stdoutFd);
    close(stderrFd);
  }
}

Process::~Process() {
  // Until it is reaped its group is surely its own. Some programs outlive
  // their parent and even restart themselves when their server goes (KWin
  // does), onto whatever server takes the display's number next.
  if (!status_) {
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (!stdoutPath_.empty()) {
    unlink(stdoutPath_.c_str());
    unlink(stderrPath_.c_str());
  }
}

std::optional<int> Process::WaitForExit(std::chrono::milliseconds limit) {
  WaitUntil(
      [this] {
        int status = 0;
        if (!status_ && waitpid(pid_, &status, WNOHANG) == pid_) {
          status_ = ExitCode(status);
        }
        return status_.has_value();
      },
      limit, std::chrono::milliseconds(10));
  return status_;
}

bool Process::Running() { return !WaitForExit(std::chrono::milliseconds(0)).has_value(); }

int Process::Wait() {
  while (!status_) {
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_) {
      status_ = ExitCode(status);
    } else if (errno != EINTR) {
      throw std::runtime_error("waitpid failed");
    }
  }
  return *status_;
}

bool Process::WaitForPauses(int count, std::chrono::milliseconds limit) {
  // In a pause the program is blocked in clock_nanosleep; it leaves it for mere microseconds to draw. So the
  // program is in a new pause when it is seen in one having run since it was last seen in one: the scheduler
  // has put it on a CPU more times (whatever it drew through, an X server's socket or a Wayland compositor's).
  constexpr int clockNanosleep = 230;
  const std::string proc = "/proc/" + std::to_string(pid_);
  return WaitUntil(
      [&] {
        std::ifstream syscall(proc + "/syscall");
        int number = -1;
        syscall >> number;
        std::ifstream schedstat(proc + "/schedstat");
        long long ranNanoseconds = 0;
        long long waitedNanoseconds = 0;
        long runs = -1;
        schedstat >> ranNanoseconds >> waitedNanoseconds >> runs;
        if (number == clockNanosleep && runs != runsAtLastPause_) {
          --count;
          runsAtLastPause_ = runs;
        }
        return count <= 0 || !Running();
      },
      limit, std::chrono::milliseconds(10)) &&
         count <= 0;
}

long ProcessStatusKiB(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) {
      return std::stol(line.substr(field.size() + 1));
    }
  }
  return -1;
}

double CpuMilliseconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/schedstat");
  double nanoseconds = 0;
  stat >> nanoseconds;
  return nanoseconds / 1e6;
}

std::string Process::Stdout() const { return ReadFile(stdoutPath_); }
std::string Process::Stderr() const { return ReadFile(stderrPath_); }

}  // namespace tools
