// Both programs on the desktops people run, each on a virtual screen of its
// own, driven and watched as a user would: the notice, the figure over
// everything, and the ways the programs end.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <string>
#include <tuple>

#include "desktops.h"
#include "render/render.h"
#include "tests/support/program_on_server.h"
#include "tools/desktop.h"
#include "tools/figure_frames.h"
#include "tools/screen.h"
#include "tools/wait.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tools::magenta;
using tools::Process;
using tools::Rectangle;
using tools::Screenshot;
using tools::white;

constexpr const char* insideNamespaces = "DESKTOP_TEST_IN_NAMESPACES";

// The figure as frames 1, 2, ... draw it.
const std::vector<tools::Polyline>& FramesDrawn() {
  static const std::vector<tools::Polyline> frames = tools::FigureFrames(100);
  return frames;
}

// The frames drawn, at most, in that long since the notice was dismissed: one each pause (no more than are
// modelled).
int FramesWithin(Clock::duration since) {
  const auto frames = since / std::chrono::milliseconds(framePauseMs) + 1;
  return static_cast<int>(std::min<long long>(frames, static_cast<long long>(FramesDrawn().size())));
}

// What is wrong with the screen: the ink of the first frames shows wherever none of the later frames up to
// `framesAtMost` could draw it again (later frames cover most of it: a screen that lost its ink and drew on must
// not pass by being drawn over), and no magenta lies off all of the frames drawn so far; empty if nothing.
std::string FramesFault(const Screenshot& shot, int firstFrames, int framesAtMost, int framesDrawn) {
  const auto& frames = FramesDrawn();
  int probed = 0;
  int missing = 0;
  for (int frame = 0; frame < firstFrames; ++frame) {
    const tools::Polyline& points = frames[static_cast<std::size_t>(frame)];
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
      const double dx = points[i + 1].X - points[i].X;
      const double dy = points[i + 1].Y - points[i].Y;
      const int steps = std::max(1, static_cast<int>(std::hypot(dx, dy)));
      for (int step = 0; step <= steps; ++step) {
        const double x = points[i].X + dx * step / steps;
        const double y = points[i].Y + dy * step / steps;
        double later = INFINITY;
        for (int other = firstFrames; other < framesAtMost; ++other) {
          later = std::min(later, tools::DistanceToPolyline(x, y, frames[static_cast<std::size_t>(other)]));
        }
        if (later > tools::strokeReach) {
          ++probed;
          missing += tools::ColorNear(shot, x, y, 1, magenta) ? 0 : 1;
        }
      }
    }
  }
  if (probed == 0 || missing != 0) {
    return std::to_string(missing) + " of " + std::to_string(probed) + " points of the first " +
           std::to_string(firstFrames) + " frames' ink that no later frame covers do not show";
  }
  const int stray = tools::StrayPixels(shot, {frames.begin(), frames.begin() + framesDrawn});
  return stray == 0 ? "" : std::to_string(stray) + " magenta pixels on none of the " + std::to_string(framesDrawn) +
                               " frames drawn";
}

// Runs this test again, alone, in private mount, network and process
// namespaces: every process it starts ends with it.
void RunInPrivateNamespaces() {
  const testing::TestInfo& test = *testing::UnitTest::GetInstance()->current_test_info();
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  Process inside({"unshare", "--mount", "--net", "--pid", "--fork", "--kill-child", "env", std::string(insideNamespaces) + "=1", self,
                  std::string("--gtest_filter=") + test.test_suite_name() + "." + test.name()});
  const std::optional<int> code = inside.WaitForExit(240s);
  EXPECT_EQ(code, 0) << inside.Stdout() << inside.Stderr();
}

class DesktopTest : public testsupport::ProgramOnServer,
                    public testing::WithParamInterface<std::tuple<std::string, std::string>> {
 protected:
  void SetUp() override {
    // The test runs again inside the namespaces, and starts the desktop there.
    if (!OutsideItsNamespaces()) {
      ProgramOnServer::SetUp();
    }
  }
  void StartServer() override { desktop_ = StartDesktop(DesktopName()); }
  void TearDown() override {
    ProgramOnServer::TearDown();
    desktop_.reset();
  }

  const std::string& DesktopName() const { return std::get<0>(GetParam()); }
  bool OutsideItsNamespaces() const {
    return KindOf(DesktopName()).privateNamespaces && std::getenv(insideNamespaces) == nullptr;
  }
  const std::string& ProgramName() const { return std::get<1>(GetParam()); }

  // Starts the program and dismisses its notice as a user would; returns the main window.
  Window StartAnimation() {
    const Window terminal = tools::FindViewableWindow(display_, terminalTitle, "XTerm");
    if (terminal != None) {
      terminal_ = tools::OnScreen(display_, terminal);
      backdrop_ = desktop_->Capture();
    }
    Launch({testsupport::ProgramPath(ProgramName())});
    const Window notice = tools::WaitForWindow(display_, "test", nullptr, 20s);
    if (notice == None) {
      ADD_FAILURE() << "no notice; " << program_->Stderr();
      return None;
    }
    EXPECT_TRUE(tools::WaitForFocus(display_, notice, 10s)) << "the notice takes the keyboard";
    notice_ = tools::OnScreen(display_, notice);
    tools::TypeKey(display_, XK_Return);
    dismissed_ = Clock::now();
    const Window main = tools::WaitForWindow(display_, "test", "test", 20s);
    if (main == None) {
      ADD_FAILURE() << "no main window; " << program_->Stderr();
      return None;
    }
    EXPECT_TRUE(tools::WaitForFocus(display_, main, 10s)) << "the main window takes the keyboard";
    return main;
  }

  int FramesSoFar() const { return FramesWithin(Clock::now() - dismissed_); }

  // Where the main window shows once it is maximized, or tiled over the whole screen but for a border or a title
  // bar, as the manager places it; where it shows after a bound if it never is.
  Rectangle Maximized(Window main) const {
    Rectangle shown{};
    tools::WaitUntil(
        [&] {
          shown = tools::OnScreen(display_, main);
          return shown.x <= 2 && shown.width >= width_ - 4 && shown.height >= height_ * 9 / 10;
        },
        10s);
    return shown;
  }

  // What is wrong with the screen while the program runs, of the figure from its first frames on, with no more
  // frames drawn than `framesAtMost`; empty if nothing.
  std::string ScreenFault(const Screenshot& shot, int firstFrames, int framesAtMost) const {
    if (shot.width != width_ || shot.height != height_) {
      return "no picture of the screen at its size";
    }
    if (ProgramName() == "cleardraw") {
      return shot.Count(white) > shot.width * shot.height * 99 / 100 ? "" : "the screen is not white";
    }
    if (shot.Count(magenta) <= 1000) {
      return "too little magenta";
    }
    if (shot.Count(white, notice_.x, notice_.y, notice_.width, notice_.height) != 0) {
      return "the notice is still on the screen";
    }
    const std::string frames = FramesFault(shot, firstFrames, framesAtMost, FramesSoFar());
    const std::string terminal = TerminalFault(shot);
    return frames + (frames.empty() || terminal.empty() ? "" : "; ") + terminal;
  }

  // Captures the screen until it shows what it should, within the bound; what is still wrong then. The ink probed
  // is the same throughout: away from every frame that may be drawn before the bound.
  std::string AwaitScreen(int firstFrames, std::chrono::milliseconds limit = 20s) const {
    const int framesAtMost = FramesWithin(Clock::now() + limit - dismissed_);
    std::string fault;
    tools::WaitUntil(
        [&] { return (fault = ScreenFault(desktop_->Capture(), firstFrames, framesAtMost)).empty(); }, limit, 100ms);
    return fault;
  }

  // The terminal under the figure shows as it did before the program started: away from the strokes, its
  // background keeps its colour, neither blacked out nor dimmed.
  std::string TerminalFault(const Screenshot& shot) const {
    int before = 0;
    int kept = 0;
    for (int y = terminal_.y; y < terminal_.y + terminal_.height; ++y) {
      for (int x = terminal_.x; x < terminal_.x + terminal_.width; ++x) {
        if (backdrop_.At(x, y) == terminalBackground && !tools::ColorNear(shot, x, y, 2, magenta)) {
          ++before;
          kept += shot.At(x, y) == terminalBackground ? 1 : 0;
        }
      }
    }
    if (kept * 10 >= before * 8) {
      return "";
    }
    return "the terminal's background shows at " + std::to_string(kept) + " of " + std::to_string(before) +
           " pixels; its corner is " + ColorName(shot.At(terminal_.x + 2, terminal_.y + 2));
  }

  // The key reaches the program only if its main window, whichever X window now shows it, has the keyboard.
  void EndWithAKey(Window main) {
    EXPECT_TRUE(tools::WaitForFocus(display_, main, 10s)) << "the main window keeps the keyboard";
    tools::TypeKey(display_, XK_Escape);
    EXPECT_EQ(program_->WaitForExit(10s), 0);
    EXPECT_EQ(program_->Stderr(), "");
  }

  std::unique_ptr<Desktop> desktop_;
  Rectangle notice_{};
  // The screen before the program started, and where a terminal showed on it.
  Screenshot backdrop_;
  Rectangle terminal_{};
  Clock::time_point dismissed_;
  // The screen's size: each desktop's, until a test gives it another.
  int width_ = screenWidth;
  int height_ = screenHeight;
};

TEST_P(DesktopTest, NoticeThenTheFigureOverEverythingThenTheEnd) {
  if (OutsideItsNamespaces()) {
    RunInPrivateNamespaces();
    return;
  }
  const Window main = StartAnimation();
  ASSERT_NE(main, None);
  const Rectangle shown = Maximized(main);
  EXPECT_LE(shown.x, 2);
  EXPECT_GE(shown.width, width_ - 4);
  EXPECT_GE(shown.height, height_ * 9 / 10);
  if (KindOf(DesktopName()).captures) {
    EXPECT_EQ(AwaitScreen(2), "");
  }
  if (!KindOf(DesktopName()).privateNamespaces) {
    // A click on the program's window, over the terminal where one shows through it, lands on the program's window.
    const Rectangle clicked = terminal_.width > 0 ? terminal_ : shown;
    tools::ClickAt(display_, DefaultRootWindow(display_), clicked.x + clicked.width / 2, clicked.y + clicked.height / 2);
    EXPECT_TRUE(tools::WaitForFocus(display_, main, 10s)) << "the main window keeps the keyboard";
  }
  if (ProgramName() == "overdraw") {
    // Any key's release ends it.
    tools::TypeKey(display_, XK_q);
  } else {
    // A window destroyed by another client ends it as well.
    XDestroyWindow(display_, main);
    XSync(display_, False);
  }
  EXPECT_EQ(program_->WaitForExit(10s), 0);
  EXPECT_EQ(program_->Stderr(), "");
}

std::vector<std::tuple<std::string, std::string>> Runs() {
  std::vector<std::tuple<std::string, std::string>> runs;
  for (const DesktopKind& desktop : DesktopKinds()) {
    for (const char* program : {"overdraw", "cleardraw"}) {
      runs.emplace_back(desktop.name, program);
    }
  }
  return runs;
}

std::string RunName(const testing::TestParamInfo<std::tuple<std::string, std::string>>& info) {
  return std::get<0>(info.param) + "_" + std::get<1>(info.param);
}

INSTANTIATE_TEST_SUITE_P(Desktops, DesktopTest, testing::ValuesIn(Runs()), RunName);

class CompositorChangeTest : public DesktopTest {};

TEST_P(CompositorChangeTest, TheFigureAndTheDesktopShowAfterTheCompositorStopsAndStarts) {
  ASSERT_NE(StartAnimation(), None);
  EXPECT_EQ(AwaitScreen(2), "") << "before any change";
  for (const bool on : {false, true}) {
    // What was surely drawn before the change shows after it.
    const int drawnBefore = FramesSoFar() - 1;
    desktop_->SetCompositing(on);
    EXPECT_EQ(AwaitScreen(drawnBefore), "") << "after compositing went " << (on ? "on" : "off");
  }
  EndWithAKey(tools::WaitForWindow(display_, "test", "test", 10s));
}

std::vector<std::tuple<std::string, std::string>> SwitchingRuns() {
  std::vector<std::tuple<std::string, std::string>> runs;
  for (const auto& [desktop, program] : Runs()) {
    if (KindOf(desktop).switchesCompositing) {
      runs.emplace_back(desktop, program);
    }
  }
  return runs;
}

INSTANTIATE_TEST_SUITE_P(Desktops, CompositorChangeTest, testing::ValuesIn(SwitchingRuns()), RunName);

class ResizeTest : public DesktopTest {};

TEST_P(ResizeTest, TheFigureFollowsTheScreenAsItGrowsAndShrinks) {
  const Window main = StartAnimation();
  ASSERT_NE(main, None);
  EXPECT_EQ(AwaitScreen(2), "") << "before any change";
  for (const auto& [width, height] : {std::pair{1920, 1080}, std::pair{1280, 720}}) {
    const int drawnBefore = FramesSoFar() - 1;
    desktop_->Resize(width, height);
    width_ = width;
    height_ = height;
    EXPECT_EQ(AwaitScreen(drawnBefore), "") << "at " << width << "x" << height;
    EXPECT_GE(Maximized(main).width, width - 4) << "the main window covers the screen at " << width << "x" << height;
  }
  EndWithAKey(main);
}

// Xorg's dummy driver keeps the bytes of the old picture where they were and reads them at the new width: a bare
// root shows them smeared, which no program can tell from its own strokes. There the clear is what is looked at.
std::vector<std::tuple<std::string, std::string>> ResizingRuns() {
  std::vector<std::tuple<std::string, std::string>> runs;
  for (const auto& [desktop, program] : Runs()) {
    if (KindOf(desktop).resizes && (KindOf(desktop).switchesCompositing || program == "cleardraw")) {
      runs.emplace_back(desktop, program);
    }
  }
  return runs;
}

INSTANTIATE_TEST_SUITE_P(Desktops, ResizeTest, testing::ValuesIn(ResizingRuns()), RunName);

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (std::getenv(insideNamespaces) != nullptr) {
    EnterPrivateNamespaces(testsupport::ProgramDir());
  }
  return RUN_ALL_TESTS();
}
