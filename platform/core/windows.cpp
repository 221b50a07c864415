// user32: classes, windows, the message loop, dispatch, default handling
// and the notice box.
#include "platform/core/windows.h"

#include <strings.h>

#include "platform/core/session.h"

namespace core {
namespace {

constexpr WORD firstClassAtom = 0xC000;
constexpr INT idOk = 1;

// What the backend reported becomes messages for the windows, as the
// server's input does on Windows.
void Deliver(Session& session, const WindowEvent& event) {
  // Which keys are down is the keyboard's, whichever window has it.
  if (event.kind == WindowEvent::Kind::keyHeld) {
    session.keyboard.NoteHeld(event.key);
    return;
  }
  if (!session.windows.IsLive(event.window)) {
    return;
  }
  switch (event.kind) {
    case WindowEvent::Kind::keyPressed:
    case WindowEvent::Kind::keyReleased: {
      const KeyMessage key = session.keyboard.Translate(event);
      session.queue.Post(event.window, key.message, key.virtualKey, key.keyData, event.time);
      break;
    }
    case WindowEvent::Kind::closeRequested:
      session.queue.Post(event.window, WM_CLOSE, 0, 0, GetTickCount());
      break;
    case WindowEvent::Kind::destroyed:
      session.windows.Destroy(event.window);
      break;
    case WindowEvent::Kind::keyHeld:
      break;
  }
}

}  // namespace

const Windows::WindowClass* Windows::FindClass(LPCSTR name) const {
  for (const WindowClass& windowClass : classes_) {
    if (strcasecmp(windowClass.name.c_str(), name) == 0) {
      return &windowClass;
    }
  }
  return nullptr;
}

WORD Windows::RegisterClass(const WNDCLASSEXA& windowClass) {
  if (windowClass.cbSize != sizeof(WNDCLASSEXA) || windowClass.lpfnWndProc == nullptr ||
      windowClass.lpszClassName == nullptr || FindClass(windowClass.lpszClassName) != nullptr) {
    return 0;
  }
  classes_.push_back(WindowClass{windowClass.lpszClassName, windowClass.lpfnWndProc});
  return static_cast<WORD>(firstClassAtom + classes_.size() - 1);
}

HWND Windows::Create(LPCSTR className, LPCSTR title, DWORD style, INT x, INT y, INT width, INT height) {
  const WindowClass* windowClass = className != nullptr ? FindClass(className) : nullptr;
  if (windowClass == nullptr || width <= 0 || height <= 0) {
    return nullptr;
  }
  const HWND window = windows_.Add(std::make_unique<HWND__>(HWND__{windowClass->procedure, nullptr}));
  window->native = backend_.CreateWindow(
      window, WindowLook{title != nullptr ? title : "", windowClass->name, style, x, y, width, height});
  queue_.Invalidate(window);
  // As on Windows, a window procedure that answers WM_CREATE with -1 refuses the window.
  if (window->procedure(window, WM_CREATE, 0, 0) == -1) {
    Destroy(window);
    return nullptr;
  }
  return window;
}

void Windows::Destroy(HWND window) {
  if (!IsLive(window)) {
    return;
  }
  window->procedure(window, WM_DESTROY, 0, 0);
  queue_.Forget(window);
  windows_.Remove(window);
}

}  // namespace core

using core::TheSession;

INT WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  TheSession().backend->RunNotice(text != nullptr ? text : "", caption != nullptr ? caption : "Error");
  return core::idOk;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) {
  // The programs carry no icon resources.
  return nullptr;
}

WORD WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass) {
  return windowClass != nullptr ? TheSession().windows.RegisterClass(*windowClass) : 0;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, INT x, INT y, INT width,
                            INT height, HWND, HMENU, HINSTANCE, void*) {
  return TheSession().windows.Create(className, windowName, style, x, y, width, height);
}

BOOL WINAPI ShowWindow(HWND window, INT showCommand) {
  core::Session& session = TheSession();
  if (!session.windows.IsLive(window)) {
    return FALSE;
  }
  const BOOL wasVisible = window->native->visible ? TRUE : FALSE;
  session.backend->ShowWindow(*window->native, showCommand == SW_SHOWMAXIMIZED);
  return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND window) {
  core::Session& session = TheSession();
  if (!session.windows.IsLive(window)) {
    return FALSE;
  }
  if (session.queue.HasUpdateRegion(window)) {
    window->procedure(window, WM_PAINT, 0, 0);
  }
  return TRUE;
}

BOOL WINAPI GetMessageA(MSG* message, HWND, UINT, UINT) {
  core::Session& session = TheSession();
  for (;;) {
    session.events.clear();
    session.backend->ReadEvents(session.events);
    for (const core::WindowEvent& event : session.events) {
      core::Deliver(session, event);
    }
    if (const std::optional<MSG> next = session.queue.Take()) {
      *message = *next;
      return message->message != WM_QUIT;
    }
    session.backend->WaitForEvents();
  }
}

BOOL WINAPI TranslateMessage(const MSG*) {
  // Character messages are not produced: no window procedure here reads them.
  return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message) {
  if (message == nullptr || !TheSession().windows.IsLive(message->hwnd)) {
    return 0;
  }
  return message->hwnd->procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

void WINAPI PostQuitMessage(INT exitCode) { TheSession().queue.PostQuit(exitCode); }

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  core::Session& session = TheSession();
  switch (message) {
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (HIWORD(lParam) & KF_ALTDOWN) != 0) {
        session.queue.Post(window, WM_SYSCOMMAND, SC_CLOSE, 0, GetTickCount());
      }
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE && session.windows.IsLive(window)) {
        return window->procedure(window, WM_CLOSE, 0, 0);
      }
      return 0;
    case WM_CLOSE:
      session.windows.Destroy(window);
      return 0;
    default:
      return 0;
  }
}
