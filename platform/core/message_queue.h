// The thread's message queue and the order in which GetMessageA hands out
// what waits in it: posted messages and input in arrival order, then the
// quit request, then a paint request for a window whose update region is
// not empty.
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace core {

class MessageQueue {
 public:
  void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time);
  void PostQuit(INT exitCode);

  // A window's update region is either its whole client area or empty.
  void Invalidate(HWND window);
  bool HasUpdateRegion(HWND window) const;

  // Drops everything that waits for a window that no longer exists.
  void Forget(HWND window);

  std::optional<MSG> Take();

 private:
  std::deque<MSG> posted_;
  std::optional<INT> quitCode_;
  std::vector<HWND> invalid_;
};

// The queue of the program's one thread.
MessageQueue& ThreadQueue();

}  // namespace core
