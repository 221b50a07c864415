// Starting a program, waiting within a bound for its end or its pauses, and
// what the kernel says of it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tools {

class Process {
 public:
  // Where the program's standard output and error go: to files of its own, read back with Stdout() and
  // Stderr(), or to ours.
  enum class Output { captured, shared };

  // Runs the command with no standard input, in a process group of its own. It is killed with all it
  // started, if still running, when the object goes, and by the kernel if we die first.
  explicit Process(const std::vector<std::string>& command, Output output = Output::captured);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // The exit code, or nothing if it is still running after `limit`; -signal if a signal ended it.
  std::optional<int> WaitForExit(std::chrono::milliseconds limit);
  bool Running();
  // Its exit code, however long it runs: for a command that a person, or a test runner with its own
  // bound, started.
  int Wait();
  // Waits up to `limit` until the program has been seen in `count` pauses (Sleep) not seen by an earlier
  // call, one under way among them; each frame makes one before it draws the figure. False if it has not,
  // or has ended.
  bool WaitForPauses(int count, std::chrono::milliseconds limit);
  std::string Stdout() const;
  std::string Stderr() const;
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  // How many times the program had been run on a CPU when it was last seen in a new pause.
  long runsAtLastPause_ = -1;
  std::string stdoutPath_;
  std::string stderrPath_;
};

// A memory figure of a running process from /proc/PID/status, such as "VmRSS" or "VmHWM", in KiB; -1 if absent.
long ProcessStatusKiB(pid_t pid, const std::string& field);

// Time the scheduler has run the process on a CPU, from /proc/PID/schedstat.
double CpuMilliseconds(pid_t pid);

}  // namespace tools
