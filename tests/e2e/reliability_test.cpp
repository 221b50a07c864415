// The programs on unusual screens, side by side, and under a storm of keys.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <memory>
#include <string>
#include <tuple>

#include "e2e.h"
#include "tools/desktop.h"
#include "tools/process.h"
#include "tools/screen.h"
#include "tools/xvfb.h"

namespace {

using namespace std::chrono_literals;
using tools::magenta;
using tools::Process;
using tools::white;

// Starts a program and dismisses its notice; returns its main window, known
// from any earlier instance's by taking the keyboard.
Window StartAnimation(Display* display, const std::string& name, std::unique_ptr<Process>& program) {
  program = std::make_unique<Process>(std::vector<std::string>{ProgramPath(name)});
  return tools::DismissNotice(display);
}

struct Screen {
  int width;
  int height;
  int depth;
};

class ScreenTest : public testing::TestWithParam<std::tuple<const char*, Screen>> {};

TEST_P(ScreenTest, DrawsInTrueColoursAndExitsCleanly) {
  const auto [name, screen] = GetParam();
  const tools::XvfbServer server(screen.width, screen.height, screen.depth);
  Display* display = XOpenDisplay(server.Display().c_str());
  ASSERT_NE(display, nullptr);
  std::unique_ptr<Process> program;
  ASSERT_NE(StartAnimation(display, name, program), None);
  ASSERT_TRUE(program->WaitForPauses(3, 20s));
  const tools::Screenshot shot = tools::CaptureScreen(display);
  if (std::string(name) == "overdraw") {
    EXPECT_GT(shot.Count(magenta), 200) << "the pen colour is exact at every depth";
  } else {
    EXPECT_GT(shot.Count(white), shot.width * shot.height * 99 / 100);
  }
  tools::TypeKey(display, XK_Escape);
  EXPECT_EQ(program->WaitForExit(3s), 0) << program->Stderr();
  EXPECT_EQ(program->Stderr(), "");
  XCloseDisplay(display);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ScreenTest,
    testing::Combine(testing::Values("overdraw", "cleardraw"),
                     testing::Values(Screen{640, 480, 24}, Screen{3840, 2160, 24}, Screen{1024, 768, 16})),
    [](const testing::TestParamInfo<std::tuple<const char*, Screen>>& info) {
      const Screen& screen = std::get<1>(info.param);
      return std::string(std::get<0>(info.param)) + "_" + std::to_string(screen.width) + "x" +
             std::to_string(screen.height) + "x" + std::to_string(screen.depth);
    });

TEST(TwoInstancesTest, AKeyStormEndsTheFocusedOneAndTheOtherStillEndsOnARelease) {
  const tools::XvfbServer server(1024, 768);
  Display* display = XOpenDisplay(server.Display().c_str());
  ASSERT_NE(display, nullptr);
  std::unique_ptr<Process> first;
  std::unique_ptr<Process> second;
  const Window firstWindow = StartAnimation(display, "overdraw", first);
  ASSERT_NE(firstWindow, None);
  const Window secondWindow = StartAnimation(display, "cleardraw", second);
  ASSERT_NE(secondWindow, None);
  ASSERT_NE(firstWindow, secondWindow);

  for (int i = 0; i < 1000; ++i) {
    tools::TypeKey(display, i % 2 == 0 ? XK_a : XK_Escape);
  }
  EXPECT_EQ(second->WaitForExit(5s), 0) << second->Stderr();
  EXPECT_TRUE(first->Running()) << "the storm went to the window with the keyboard only";

  XSetInputFocus(display, firstWindow, RevertToParent, CurrentTime);
  XSync(display, False);
  tools::TypeKey(display, XK_z);
  EXPECT_EQ(first->WaitForExit(5s), 0) << first->Stderr();
  XCloseDisplay(display);
}

}  // namespace
