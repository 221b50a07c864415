#include "platform/core/message_queue.h"

#include <algorithm>

namespace core {

MessageQueue& ThreadQueue() {
  static MessageQueue queue;
  return queue;
}

void MessageQueue::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
  posted_.push_back(MSG{window, message, wParam, lParam, time, POINT{0, 0}});
}

void MessageQueue::PostQuit(INT exitCode) { quitCode_ = exitCode; }

void MessageQueue::Invalidate(HWND window) {
  if (!HasUpdateRegion(window)) {
    invalid_.push_back(window);
  }
}

bool MessageQueue::HasUpdateRegion(HWND window) const {
  return std::find(invalid_.begin(), invalid_.end(), window) != invalid_.end();
}

void MessageQueue::Forget(HWND window) {
  invalid_.erase(std::remove(invalid_.begin(), invalid_.end(), window), invalid_.end());
  posted_.erase(std::remove_if(posted_.begin(), posted_.end(), [window](const MSG& m) { return m.hwnd == window; }),
                posted_.end());
}

std::optional<MSG> MessageQueue::Take() {
  if (!posted_.empty()) {
    const MSG next = posted_.front();
    posted_.pop_front();
    return next;
  }
  if (quitCode_) {
    const MSG quit{nullptr, WM_QUIT, static_cast<WPARAM>(*quitCode_), 0, 0, POINT{0, 0}};
    quitCode_.reset();
    return quit;
  }
  if (!invalid_.empty()) {
    return MSG{invalid_.front(), WM_PAINT, 0, 0, 0, POINT{0, 0}};
  }
  return std::nullopt;
}

}  // namespace core
