// A test that runs programs on an X server of its own: the server, a
// connection that watches the screen and drives it as a user would, and the
// program under test, in a process of its own or as the X11 layer's session
// in this one; torn down in reverse.
#pragma once

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/session.h"
#include "platform/x11/session.h"
#include "tools/process.h"
#include "tools/xvfb.h"

namespace testsupport {

// A program of this build, by name.
std::string ProgramPath(const std::string& name);

struct Screen {
  int width = 1024;
  int height = 768;
  int depth = 24;
  std::vector<std::string> options;
};

inline void PrintTo(const Screen& screen, std::ostream* out) {
  *out << screen.width << "x" << screen.height << "x" << screen.depth;
}

class ProgramOnServer : public testing::Test {
 protected:
  explicit ProgramOnServer(Screen screen = {}) : screen_(std::move(screen)) {}

  void SetUp() override;
  void TearDown() override;

  // Starts the server and points DISPLAY at it: a virtual one of the screen given, by default.
  virtual void StartServer();

  // Starts the command as the program under test, in place of any before it.
  tools::Process& Launch(const std::vector<std::string>& command);
  // Launches it and dismisses its notice as a user would; its main window, or None.
  Window StartAnimation(const std::vector<std::string>& command,
                        std::chrono::milliseconds limit = std::chrono::seconds(20));
  // Opens the X11 layer's session in this process, on the server, for the Windows operations to act on.
  void OpenLayer();
  // Waits until the server has carried out everything the layer sent.
  void SyncLayer() { XSync(layer_->connection().display, False); }
  Display* LayerDisplay() const { return layer_->connection().display; }

  const Screen screen_;
  std::unique_ptr<tools::XvfbServer> server_;
  Display* display_ = nullptr;
  std::unique_ptr<tools::Process> program_;
  x11::Session* layer_ = nullptr;
  std::unique_ptr<core::Session> session_;
};

}  // namespace testsupport
