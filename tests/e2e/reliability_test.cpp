// The programs on unusual screens, side by side, and under a storm of keys.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <memory>
#include <string>
#include <tuple>

#include "tests/support/program_on_server.h"
#include "tools/desktop.h"
#include "tools/screen.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ProgramPath;
using testsupport::Screen;
using tools::magenta;
using tools::white;

class ScreenTest : public testsupport::ProgramOnServer,
                   public testing::WithParamInterface<std::tuple<const char*, Screen>> {
 protected:
  ScreenTest() : ProgramOnServer(std::get<1>(GetParam())) {}
};

TEST_P(ScreenTest, DrawsInTrueColoursAndExitsCleanly) {
  const std::string name = std::get<0>(GetParam());
  ASSERT_NE(StartAnimation({ProgramPath(name)}), None);
  ASSERT_TRUE(program_->WaitForPauses(3, 20s));
  const tools::Screenshot shot = tools::CaptureScreen(display_);
  if (name == "overdraw") {
    EXPECT_GT(shot.Count(magenta), 200) << "the pen colour is exact at every depth";
  } else {
    EXPECT_GT(shot.Count(white), shot.width * shot.height * 99 / 100);
  }
  tools::TypeKey(display_, XK_Escape);
  EXPECT_EQ(program_->WaitForExit(10s), 0) << program_->Stderr();
  EXPECT_EQ(program_->Stderr(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ScreenTest,
    testing::Combine(testing::Values("overdraw", "cleardraw"),
                     testing::Values(Screen{640, 480, 24, {}}, Screen{3840, 2160, 24, {}},
                                     Screen{tools::testScreenWidth, tools::testScreenHeight, 16, {}},
                                     Screen{tools::testScreenWidth, tools::testScreenHeight, 8, {}})),
    [](const testing::TestParamInfo<std::tuple<const char*, Screen>>& info) {
      const Screen& screen = std::get<1>(info.param);
      return std::string(std::get<0>(info.param)) + "_" + std::to_string(screen.width) + "x" +
             std::to_string(screen.height) + "x" + std::to_string(screen.depth);
    });

using TwoInstancesTest = testsupport::ProgramOnServer;

TEST_F(TwoInstancesTest, AKeyStormEndsTheFocusedOneAndTheOtherStillEndsOnARelease) {
  // Each main window is known from the other's by taking the keyboard.
  const Window firstWindow = StartAnimation({ProgramPath("overdraw")});
  ASSERT_NE(firstWindow, None);
  const std::unique_ptr<tools::Process> first = std::move(program_);
  const Window secondWindow = StartAnimation({ProgramPath("cleardraw")});
  ASSERT_NE(secondWindow, None);
  ASSERT_NE(firstWindow, secondWindow);

  for (int i = 0; i < 1000; ++i) {
    tools::TypeKey(display_, i % 2 == 0 ? XK_a : XK_Escape);
  }
  EXPECT_EQ(program_->WaitForExit(10s), 0) << program_->Stderr();
  EXPECT_TRUE(first->Running()) << "the storm went to the window with the keyboard only";

  XSetInputFocus(display_, firstWindow, RevertToParent, CurrentTime);
  XSync(display_, False);
  tools::TypeKey(display_, XK_z);
  EXPECT_EQ(first->WaitForExit(10s), 0) << first->Stderr();
}

}  // namespace
