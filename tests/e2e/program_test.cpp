// Both programs end to end on a virtual X server with no window manager,
// driven and watched as a user would.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <functional>
#include <memory>
#include <string>

#include "e2e.h"
#include "tools/desktop.h"
#include "tools/process.h"
#include "tools/screen.h"
#include "tools/xvfb.h"

namespace {

using namespace std::chrono_literals;
using tools::CaptureScreen;
using tools::magenta;
using tools::Process;
using tools::Screenshot;
using tools::white;

class ProgramTest : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    server_ = std::make_unique<tools::XvfbServer>(1024, 768);
    display_ = XOpenDisplay(server_->Display().c_str());
    ASSERT_NE(display_, nullptr);
  }
  void TearDown() override {
    program_.reset();
    if (display_ != nullptr) {
      XCloseDisplay(display_);
    }
    server_.reset();
  }

  bool Clears() const { return std::string(GetParam()) == "cleardraw"; }

  void Launch(std::vector<std::string> prefix = {}) {
    prefix.push_back(ProgramPath(GetParam()));
    program_ = std::make_unique<Process>(prefix);
  }

  Window WaitForNotice(std::chrono::milliseconds limit = 5s) {
    return tools::WaitForWindow(display_, "test", nullptr, limit);
  }
  Window WaitForMainWindow(std::chrono::milliseconds limit = 5s) {
    return tools::WaitForWindow(display_, "test", "test", limit);
  }

  // Starts the program and dismisses its notice; the frames begin.
  Window StartAnimation(std::vector<std::string> prefix = {}, std::chrono::milliseconds limit = 5s) {
    Launch(std::move(prefix));
    return tools::DismissNotice(display_, limit);
  }

  std::unique_ptr<tools::XvfbServer> server_;
  Display* display_ = nullptr;
  std::unique_ptr<Process> program_;
};

TEST_P(ProgramTest, NothingIsDrawnUntilTheNoticeIsDismissed) {
  Launch();
  const Window notice = WaitForNotice();
  ASSERT_NE(notice, None);
  EXPECT_FALSE(program_->WaitForPauses(1, 1200ms)) << "no frame begins while the notice shows";
  const Screenshot waiting = CaptureScreen(display_);
  EXPECT_EQ(waiting.Count(magenta), 0);
  EXPECT_LT(waiting.Count(white), waiting.width * waiting.height / 2) << "nothing cleared the screen";
  EXPECT_EQ(tools::FindViewableWindow(display_, "test", "test"), None) << "no main window yet";
  Window focus;
  int revert;
  XGetInputFocus(display_, &focus, &revert);
  EXPECT_EQ(focus, notice) << "the notice takes the keyboard";

  tools::TypeKey(display_, XK_Return);
  const Window main = WaitForMainWindow();
  ASSERT_NE(main, None);
  EXPECT_EQ(tools::FindViewableWindow(display_, "test", nullptr), None) << "the notice is gone";
  XWindowAttributes attributes;
  XGetWindowAttributes(display_, main, &attributes);
  EXPECT_EQ(attributes.x, 0);
  EXPECT_EQ(attributes.y, 0);
  EXPECT_EQ(attributes.width, 1024);
  EXPECT_EQ(attributes.height, 768);
  EXPECT_TRUE(program_->Running()) << "the key that dismissed the notice must not end the program";
}

TEST_P(ProgramTest, TheNoticeGivesWayToEveryKindOfDismissal) {
  const std::vector<std::pair<const char*, std::function<void(Window)>>> dismissals = {
      {"OK clicked",
       [this](Window notice) {
         XWindowAttributes box;
         XGetWindowAttributes(display_, notice, &box);
         // The button sits centred at the bottom of the box.
         tools::ClickAt(display_, notice, box.width / 2, box.height - 28);
       }},
      {"Space", [this](Window) { tools::TypeKey(display_, XK_space); }},
      {"Escape", [this](Window) { tools::TypeKey(display_, XK_Escape); }},
      {"closed", [this](Window notice) { tools::RequestClose(display_, notice); }},
  };
  for (const auto& [how, dismiss] : dismissals) {
    Launch();
    const Window notice = WaitForNotice();
    ASSERT_NE(notice, None) << how;
    dismiss(notice);
    EXPECT_NE(WaitForMainWindow(), None) << how;
    EXPECT_TRUE(program_->WaitForPauses(2, 10s)) << how << ": the frames go on";
    EXPECT_TRUE(program_->Running()) << how << ": the dismissal must not end the program";
    program_.reset();
  }
}

TEST_P(ProgramTest, FramesAccumulateOrLeaveTheScreenWhite) {
  ASSERT_NE(StartAnimation(), None);
  ASSERT_TRUE(program_->WaitForPauses(3, 20s));
  const Screenshot earlier = CaptureScreen(display_);
  ASSERT_TRUE(program_->WaitForPauses(3, 20s));
  const Screenshot later = CaptureScreen(display_);
  const int all = later.width * later.height;
  if (Clears()) {
    // The figure shows only between its drawing and the next frame's clear.
    EXPECT_GT(earlier.Count(white), all * 99 / 100);
    EXPECT_GT(later.Count(white), all * 99 / 100);
  } else {
    EXPECT_GT(earlier.Count(magenta), 500);
    EXPECT_GT(later.Count(magenta), earlier.Count(magenta)) << "later frames add to the earlier ones";
    for (std::size_t i = 0; i < earlier.pixels.size(); ++i) {
      if (earlier.pixels[i] == magenta) {
        ASSERT_EQ(later.pixels[i], magenta) << "an earlier frame's pixel was erased";
      }
    }
    EXPECT_EQ(later.Count(white), 0);
  }
  EXPECT_TRUE(program_->Running());
}

TEST_P(ProgramTest, ReleasingAnyKeyExitsWithZero) {
  ASSERT_NE(StartAnimation(), None);
  ASSERT_TRUE(program_->WaitForPauses(2, 10s));
  tools::TypeKey(display_, XK_q);
  EXPECT_EQ(program_->WaitForExit(3s), 0);
}

TEST_P(ProgramTest, HoldingAKeyDoesNotExitButItsReleaseDoes) {
  // Where the server cannot report a held key's repeats as presses alone, they come as releases and presses.
  for (const bool detectable : {true, false}) {
    ASSERT_NE(StartAnimation(detectable ? std::vector<std::string>{}
                                        : std::vector<std::string>{"env", "LD_PRELOAD=" NO_DETECTABLE_AUTOREPEAT}),
              None);
    tools::PressKey(display_, XK_a);
    // Through three frames: longer than the server waits before it repeats the key.
    EXPECT_TRUE(program_->WaitForPauses(4, 20s)) << "detectable auto-repeat: " << detectable;
    EXPECT_TRUE(program_->Running()) << "detectable auto-repeat: " << detectable;
    tools::ReleaseKey(display_, XK_a);
    EXPECT_EQ(program_->WaitForExit(3s), 0) << "detectable auto-repeat: " << detectable;
  }
}

TEST_P(ProgramTest, AltWithAKeyDoesNotExit) {
  ASSERT_NE(StartAnimation(), None);
  tools::PressKey(display_, XK_Alt_L);
  tools::TypeKey(display_, XK_x);
  tools::ReleaseKey(display_, XK_Alt_L);
  EXPECT_TRUE(program_->WaitForPauses(3, 20s)) << "the frames go on";
  EXPECT_TRUE(program_->Running());
  tools::TypeKey(display_, XK_Escape);
  EXPECT_EQ(program_->WaitForExit(3s), 0);
}

TEST_P(ProgramTest, AltF4ClosesTheWindowAndExitsWithZero) {
  ASSERT_NE(StartAnimation(), None);
  tools::PressKey(display_, XK_Alt_L);
  tools::PressKey(display_, XK_F4);
  EXPECT_EQ(program_->WaitForExit(3s), 0);
  tools::ReleaseKey(display_, XK_F4);
  tools::ReleaseKey(display_, XK_Alt_L);
}

const std::vector<std::string> valgrind = {"valgrind", "--quiet", "--leak-check=full",
                                           "--errors-for-leak-kinds=definite,indirect", "--error-exitcode=99"};

TEST_P(ProgramTest, CloseRequestExitsWithZeroAndLeaksNothingOfOurs) {
  const Window main = StartAnimation(valgrind, 30s);
  ASSERT_NE(main, None);
  ASSERT_TRUE(program_->WaitForPauses(3, 60s));
  tools::RequestClose(display_, main);
  EXPECT_EQ(program_->WaitForExit(20s), 0) << program_->Stderr();
}

TEST_P(ProgramTest, KeyReleaseExitIsCleanUnderValgrind) {
  ASSERT_NE(StartAnimation(valgrind, 30s), None);
  ASSERT_TRUE(program_->WaitForPauses(3, 60s));
  tools::TypeKey(display_, XK_space);
  EXPECT_EQ(program_->WaitForExit(20s), 0) << program_->Stderr();
}

TEST_P(ProgramTest, AWindowDestroyedFromOutsideEndsTheProgramWithZero) {
  const Window main = StartAnimation();
  ASSERT_NE(main, None);
  ASSERT_TRUE(program_->WaitForPauses(2, 10s));
  XDestroyWindow(display_, main);
  XSync(display_, False);
  EXPECT_EQ(program_->WaitForExit(3s), 0) << program_->Stderr();
  EXPECT_EQ(program_->Stderr(), "");
}

TEST_P(ProgramTest, LosingTheServerEndsTheProgramWithAnError) {
  ASSERT_NE(StartAnimation(), None);
  ASSERT_TRUE(program_->WaitForPauses(2, 10s));
  XCloseDisplay(display_);
  display_ = nullptr;
  server_->Kill();
  const std::optional<int> code = program_->WaitForExit(2s);
  ASSERT_TRUE(code.has_value()) << "still running 2 s after its server died";
  EXPECT_EQ(*code, 1);
  EXPECT_NE(program_->Stderr().find("lost the connection to the X display"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramTest, testing::Values("overdraw", "cleardraw"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST(NoDisplayTest, BothProgramsSayWhyAndExitWithOne) {
  for (const char* name : {"overdraw", "cleardraw"}) {
    Process program({"env", "DISPLAY=:7391", ProgramPath(name)});
    EXPECT_EQ(program.WaitForExit(5s), 1) << name;
    EXPECT_EQ(program.Stderr(), std::string(name) + ": cannot open X display \":7391\"\n");
  }
}

TEST(NoDisplayTest, WithoutRenderBothProgramsSayWhyAndExitWithOneBeforeTheNotice) {
  const tools::XvfbServer server(640, 480, 24, {"-extension", "RENDER"});
  for (const char* name : {"overdraw", "cleardraw"}) {
    Process program({ProgramPath(name)});
    EXPECT_EQ(program.WaitForExit(5s), 1) << name;
    EXPECT_EQ(program.Stderr(), std::string(name) + ": the X display cannot render: it has no RENDER extension\n");
  }
}

}  // namespace
