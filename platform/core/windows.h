// Window classes and the program's windows, each shown by the backend's
// native window behind its handle.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/core/backend.h"
#include "platform/core/handle_table.h"
#include "platform/core/message_queue.h"

struct HWND__ {
  WNDPROC procedure;
  std::unique_ptr<core::NativeWindow> native;
};

namespace core {

class Windows {
 public:
  Windows(Backend& backend, MessageQueue& queue) : backend_(backend), queue_(queue) {}

  // The class's atom, or 0 for a record Windows refuses or a name already taken.
  WORD RegisterClass(const WNDCLASSEXA& windowClass);
  // Sends WM_CREATE before it returns; null for an unknown class, an empty
  // size, or a window its procedure refuses.
  HWND Create(LPCSTR className, LPCSTR title, DWORD style, INT x, INT y, INT width, INT height);
  bool IsLive(HWND window) const { return windows_.Contains(window); }
  // Sends WM_DESTROY, then removes the window and what shows it.
  void Destroy(HWND window);

 private:
  struct WindowClass {
    std::string name;
    WNDPROC procedure;
  };

  const WindowClass* FindClass(LPCSTR name) const;

  Backend& backend_;
  MessageQueue& queue_;
  std::vector<WindowClass> classes_;
  HandleTable<HWND__> windows_;
};

}  // namespace core
