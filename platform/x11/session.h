// The X11 backend: one session per process, built in a fixed order as the
// program starts: the connection and its atoms, the event dispatch, the
// screen (which probes the compositor), the windows.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <vector>

#include "platform/core/backend.h"
#include "platform/x11/connection.h"
#include "platform/x11/event_dispatch.h"
#include "platform/x11/screen.h"
#include "platform/x11/windows.h"

namespace x11 {

class Session : public core::Backend {
 public:
  // Connects to the server DISPLAY names, or ends the program with one line (connection.h).
  Session();

  void RunNotice(const char* text, const char* caption) override;
  std::unique_ptr<core::NativeWindow> CreateWindow(HWND window, const core::WindowLook& look) override;
  void ShowWindow(core::NativeWindow& window, bool maximize) override;
  void ReadEvents(std::vector<core::WindowEvent>& events) override;
  void WaitForEvents() override;
  void OpenScreen() override;
  void CloseScreen() override;
  void Fill(ARGB color) override;
  void DrawLines(const GpPointF* points, INT count, ARGB color, REAL width) override;
  void DrawText(const core::NativeFont& font, const std::string& latin1, REAL x, REAL y, ARGB color) override;
  std::unique_ptr<core::NativeFont> OpenFont(const std::string& family, REAL pixels) override;

  const Connection& connection() const { return connection_; }

 private:
  void FollowScreen();

  Connection connection_;
  EventDispatch dispatch_;
  Screen screen_;
  // What the windows report, until the core reads it.
  std::vector<core::WindowEvent> reported_;
  Windows windows_;
  // A polyline's points in the protocol's form, kept so that a frame allocates nothing.
  std::vector<XPoint> linePoints_;
};

}  // namespace x11
