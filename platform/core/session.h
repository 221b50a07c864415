// The state behind the Windows operations of one process: its backend, and
// what the core keeps for every backend. Built once at program start,
// before the first operation, and torn down at the end; the operations,
// whose signatures are Windows', find it through TheSession().
#pragma once

#include <memory>
#include <vector>

#include "platform/core/backend.h"
#include "platform/core/gdiplus_objects.h"
#include "platform/core/keyboard.h"
#include "platform/core/message_queue.h"
#include "platform/core/windows.h"

namespace core {

class Session {
 public:
  explicit Session(std::unique_ptr<Backend> backend);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Built in this order, torn down in reverse: the windows, the GDI+
  // objects and the device contexts go before the backend that shows them.
  const std::unique_ptr<Backend> backend;
  MessageQueue queue;
  Keyboard keyboard;
  Windows windows;
  GdiplusObjects gdiplus;
  // Read from the backend at every GetMessageA; kept so that no message allocates.
  std::vector<WindowEvent> events;
};

// The session of this process; there is exactly one while the program runs.
Session& TheSession();

}  // namespace core
