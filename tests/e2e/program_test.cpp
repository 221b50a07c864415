// Both programs end to end on a virtual X server with no window manager,
// driven and watched as a user would.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <functional>
#include <string>
#include <tuple>

#include "tests/support/program_on_server.h"
#include "tools/desktop.h"
#include "tools/screen.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ProgramPath;
using tools::CaptureScreen;
using tools::magenta;
using tools::Process;
using tools::Screenshot;
using tools::white;

std::string ParamName(const testing::TestParamInfo<const char*>& info) { return info.param; }

class ProgramTest : public testsupport::ProgramOnServer, public testing::WithParamInterface<const char*> {
 protected:
  bool Clears() const { return std::string(GetParam()) == "cleardraw"; }
  Process& Launch() { return ProgramOnServer::Launch({ProgramPath(GetParam())}); }
  Window StartAnimation() { return ProgramOnServer::StartAnimation({ProgramPath(GetParam())}); }
  Window WaitForNotice() { return tools::WaitForWindow(display_, "test", nullptr, 20s); }
  Window WaitForMainWindow() { return tools::WaitForWindow(display_, "test", "test", 20s); }
};

TEST_P(ProgramTest, NothingIsDrawnUntilTheNoticeIsDismissed) {
  Launch();
  const Window notice = WaitForNotice();
  ASSERT_NE(notice, None);
  EXPECT_TRUE(tools::WaitForFocus(display_, notice, 10s)) << "the notice takes the keyboard";
  EXPECT_FALSE(program_->WaitForPauses(1, 1200ms)) << "no frame begins while the notice shows";
  const Screenshot waiting = CaptureScreen(display_);
  EXPECT_EQ(waiting.Count(magenta), 0);
  EXPECT_LT(waiting.Count(white), waiting.width * waiting.height / 2) << "nothing cleared the screen";
  EXPECT_EQ(tools::FindViewableWindow(display_, "test", "test"), None) << "no main window yet";

  tools::TypeKey(display_, XK_Return);
  const Window main = WaitForMainWindow();
  ASSERT_NE(main, None);
  EXPECT_EQ(tools::FindViewableWindow(display_, "test", nullptr), None) << "the notice is gone";
  const tools::Rectangle shown = tools::OnScreen(display_, main);
  EXPECT_EQ(shown.x, 0);
  EXPECT_EQ(shown.y, 0);
  EXPECT_EQ(shown.width, 1024);
  EXPECT_EQ(shown.height, 768);
  EXPECT_TRUE(program_->Running()) << "the key that dismissed the notice must not end the program";
}

TEST_P(ProgramTest, TheNoticeGivesWayToEveryKindOfDismissal) {
  const std::vector<std::pair<const char*, std::function<void(Window)>>> dismissals = {
      {"OK clicked",
       [this](Window notice) {
         const tools::Rectangle box = tools::OnScreen(display_, notice);
         // The button sits centred at the bottom of the box.
         tools::ClickAt(display_, notice, box.width / 2, box.height - 28);
       }},
      {"Space", [this](Window) { tools::TypeKey(display_, XK_space); }},
      {"Escape", [this](Window) { tools::TypeKey(display_, XK_Escape); }},
      {"closed", [this](Window notice) { tools::RequestClose(display_, notice); }},
      // Held as a person's press often is: the notice goes as it goes down, the window gets its repeats and
      // then its release, none of which is a key pressed there.
      {"Return held through frames",
       [this](Window) {
         tools::PressKey(display_, XK_Return);
         EXPECT_TRUE(tools::WaitForFocus(display_, WaitForMainWindow(), 10s));
         EXPECT_TRUE(program_->WaitForPauses(3, 20s));
         tools::ReleaseKey(display_, XK_Return);
       }},
  };
  for (const auto& [how, dismiss] : dismissals) {
    Launch();
    const Window notice = WaitForNotice();
    ASSERT_NE(notice, None) << how;
    ASSERT_TRUE(tools::WaitForFocus(display_, notice, 10s)) << how;
    dismiss(notice);
    EXPECT_NE(WaitForMainWindow(), None) << how;
    EXPECT_TRUE(program_->WaitForPauses(2, 20s)) << how << ": the frames go on";
    EXPECT_TRUE(program_->Running()) << how << ": the dismissal must not end the program";
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

TEST_P(ProgramTest, LosingTheServerEndsTheProgramWithAnError) {
  ASSERT_NE(StartAnimation(), None);
  ASSERT_TRUE(program_->WaitForPauses(2, 20s));
  XCloseDisplay(display_);
  display_ = nullptr;
  server_->Kill();
  EXPECT_EQ(program_->WaitForExit(10s), 1);
  EXPECT_NE(program_->Stderr().find("lost the connection to the X display"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramTest, testing::Values("overdraw", "cleardraw"), ParamName);

// A way a program's run ends: with what it is started under, what must not end it while the frames go on
// (if anything), and what then ends it, with code 0.
struct Ending {
  const char* name;
  std::vector<std::string> prefix;
  std::function<void(Display*)> goOn;
  std::function<void(Display*, Window)> end;
  // Keys still held once the program has ended.
  std::vector<unsigned long> heldAfter;
};

// Test names say which ending a run takes.
void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.name; }

const std::vector<std::string> valgrind = {"valgrind", "--quiet", "--leak-check=full",
                                           "--errors-for-leak-kinds=definite,indirect", "--error-exitcode=99"};

void Type(Display* display, unsigned long keysym) { tools::TypeKey(display, keysym); }

const Ending endings[] = {
    {"AnyKeyReleased", {}, nullptr, [](Display* d, Window) { Type(d, XK_q); }, {}},
    // Through three frames: longer than the server waits before it repeats a held key. Where it cannot report
    // the repeats as presses alone, they come as releases and presses.
    {"AKeyHeldThenReleased", {}, [](Display* d) { tools::PressKey(d, XK_a); },
     [](Display* d, Window) { tools::ReleaseKey(d, XK_a); }, {}},
    {"AKeyHeldThenReleasedWithoutDetectableAutoRepeat", {"env", "LD_PRELOAD=" NO_DETECTABLE_AUTOREPEAT},
     [](Display* d) { tools::PressKey(d, XK_a); }, [](Display* d, Window) { tools::ReleaseKey(d, XK_a); }, {}},
    {"AltWithAKeyThenEscape", {},
     [](Display* d) {
       tools::PressKey(d, XK_Alt_L);
       Type(d, XK_x);
       tools::ReleaseKey(d, XK_Alt_L);
     },
     [](Display* d, Window) { Type(d, XK_Escape); }, {}},
    {"AltF4", {}, nullptr,
     [](Display* d, Window) {
       tools::PressKey(d, XK_Alt_L);
       tools::PressKey(d, XK_F4);
     },
     {XK_F4, XK_Alt_L}},
    {"WindowDestroyedFromOutside", {}, nullptr,
     [](Display* d, Window main) {
       XDestroyWindow(d, main);
       XSync(d, False);
     },
     {}},
    // Nothing of ours leaks, whichever way the program ends.
    {"CloseRequestUnderValgrind", valgrind, nullptr, tools::RequestClose, {}},
    {"KeyReleasedUnderValgrind", valgrind, nullptr, [](Display* d, Window) { Type(d, XK_space); }, {}},
};

class EndingTest : public testsupport::ProgramOnServer,
                   public testing::WithParamInterface<std::tuple<const char*, Ending>> {};

TEST_P(EndingTest, ExitsWithZeroThenAndOnlyThen) {
  const auto& [name, ending] = GetParam();
  const bool underValgrind = ending.prefix == valgrind;
  std::vector<std::string> command = ending.prefix;
  command.push_back(ProgramPath(name));
  const Window main = StartAnimation(command, underValgrind ? 60s : 20s);
  ASSERT_NE(main, None);
  if (ending.goOn) {
    ending.goOn(display_);
    EXPECT_TRUE(program_->WaitForPauses(4, 60s)) << "the frames go on";
    EXPECT_TRUE(program_->Running());
  } else {
    ASSERT_TRUE(program_->WaitForPauses(3, 60s));
  }
  ending.end(display_, main);
  EXPECT_EQ(program_->WaitForExit(underValgrind ? 30s : 10s), 0) << program_->Stderr();
  if (!underValgrind) {
    EXPECT_EQ(program_->Stderr(), "");
  }
  for (const unsigned long key : ending.heldAfter) {
    tools::ReleaseKey(display_, key);
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, EndingTest, testing::Combine(testing::Values("overdraw", "cleardraw"),
                                                                testing::ValuesIn(endings)),
                         [](const testing::TestParamInfo<std::tuple<const char*, Ending>>& info) {
                           return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
                         });

TEST(NoDisplayTest, BothProgramsSayWhyAndExitWithOne) {
  for (const char* name : {"overdraw", "cleardraw"}) {
    Process program({"env", "DISPLAY=:7391", ProgramPath(name)});
    EXPECT_EQ(program.WaitForExit(10s), 1) << name;
    EXPECT_EQ(program.Stderr(), std::string(name) + ": cannot open X display \":7391\"\n");
  }
}

class NoRenderTest : public testsupport::ProgramOnServer {
 protected:
  NoRenderTest() : ProgramOnServer({640, 480, 24, {"-extension", "RENDER"}}) {}
};

TEST_F(NoRenderTest, BothProgramsSayWhyAndExitWithOneBeforeTheNotice) {
  for (const char* name : {"overdraw", "cleardraw"}) {
    Process& program = Launch({ProgramPath(name)});
    EXPECT_EQ(program.WaitForExit(10s), 1) << name;
    EXPECT_EQ(program.Stderr(), std::string(name) + ": the X display cannot render: it has no RENDER extension\n");
  }
}

}  // namespace
