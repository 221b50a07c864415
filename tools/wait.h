// Waiting for a condition within a bound: the one way anything here waits
// for a window, a frame, a process or a server to be ready.
#pragma once

#include <chrono>
#include <thread>

namespace tools {

// Whether the condition holds within `limit`, looked at every `interval`
// and once more at the bound.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit,
               std::chrono::milliseconds interval = std::chrono::milliseconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(interval);
  }
}

}  // namespace tools
