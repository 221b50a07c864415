// Both programs on the desktops people run, each on a virtual screen of its
// own, driven and watched as a user would: the notice, the figure over
// everything, and the ways the programs end.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>
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

// The screen as the desktop's coordinates lay it out, from one whose outputs are scaled: a pixel shows magenta if
// any of those it covers does, else as the first of them.
Screenshot InDesktopPixels(const Screenshot& shot, int scale) {
  if (scale == 1) {
    return shot;
  }
  Screenshot desktop{shot.width / scale, shot.height / scale, {}};
  for (int y = 0; y < desktop.height; ++y) {
    for (int x = 0; x < desktop.width; ++x) {
      desktop.pixels.push_back(shot.Count(magenta, x * scale, y * scale, scale, scale) > 0 ? magenta
                                                                                           : shot.At(x * scale, y * scale));
    }
  }
  return desktop;
}

// A figure drawn in a scaled output's own pixels steps by single pixels; one drawn in the desktop's and scaled up by
// the compositor shows in whole blocks of scale by scale pixels.
std::string ScaledUpFault(const Screenshot& shot, int scale) {
  int inWholeBlocks = 0;
  const int drawn = shot.Count(magenta);
  for (int y = 0; y < shot.height && scale > 1; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const bool whole = shot.Count(magenta, x / scale * scale, y / scale * scale, scale, scale) == scale * scale;
      inWholeBlocks += shot.At(x, y) == magenta && whole ? 1 : 0;
    }
  }
  if (scale == 1 || inWholeBlocks * 100 < drawn * 99) {
    return "";
  }
  return "the figure shows scaled up: " + std::to_string(inWholeBlocks) + " of " + std::to_string(drawn) +
         " magenta pixels fill whole blocks of " + std::to_string(scale * scale);
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
    // The test runs again inside the namespaces, and starts the desktop there. The desktop is driven through
    // itself: there may be no X server at all.
    if (!OutsideItsNamespaces()) {
      StartServer();
    }
  }
  void StartServer() override { desktop_ = StartDesktop(DesktopName()); }
  void TearDown() override {
    ProgramOnServer::TearDown();
    desktop_.reset();
  }

  const std::string& DesktopName() const { return std::get<0>(GetParam()); }
  bool OutsideItsNamespaces() const {
    return Kind().Has(privateNamespaces) && std::getenv(insideNamespaces) == nullptr;
  }
  const DesktopKind& Kind() const { return KindOf(DesktopName()); }
  // Whether the test ran, outside the namespaces its desktop needs, again inside them: then there is no more to do.
  bool RanInItsNamespaces() {
    if (!OutsideItsNamespaces()) {
      return false;
    }
    RunInPrivateNamespaces();
    return true;
  }
  const std::string& ProgramName() const { return std::get<1>(GetParam()); }

  // Starts the program and dismisses its notice as a user would; returns the main window.
  View StartAnimation() {
    const View terminal = desktop_->WaitForView(terminalTitle, "XTerm", 0ms);
    if (terminal != 0) {
      terminal_ = desktop_->Where(terminal);
      backdrop_ = desktop_->Capture();
    }
    Launch({testsupport::ProgramPath(ProgramName())});
    const View notice = desktop_->WaitForView("test", nullptr, 20s);
    if (notice == 0) {
      ADD_FAILURE() << "no notice; " << program_->Stderr();
      return 0;
    }
    EXPECT_TRUE(desktop_->WaitForFocus(notice, 10s)) << "the notice takes the keyboard";
    notice_ = desktop_->Where(notice);
    desktop_->TypeKey(XK_Return);
    dismissed_ = Clock::now();
    // On Wayland the notice may have the main window's app id.
    const View main = desktop_->WaitForView("test", "test", 20s, notice);
    if (main == 0) {
      ADD_FAILURE() << "no main window; " << program_->Stderr();
      return 0;
    }
    EXPECT_TRUE(desktop_->WaitForFocus(main, 10s)) << "the main window takes the keyboard";
    return main;
  }

  int FramesSoFar() const { return FramesWithin(Clock::now() - dismissed_); }

  // Where the main window shows once it is maximized, or tiled over the whole screen but for a border or a title
  // bar, as the manager places it; where it shows after a bound if it never is.
  Rectangle Maximized(View main) const {
    Rectangle shown{};
    tools::WaitUntil(
        [&] {
          shown = desktop_->Where(main);
          return shown.x <= 2 && shown.width >= width_ - 4 && shown.height >= height_ * 9 / 10;
        },
        10s);
    return shown;
  }

  // What is wrong with the screen while the program runs, of the figure from its first frames on, with no more
  // frames drawn than `framesAtMost`; empty if nothing.
  std::string ScreenFault(const Screenshot& captured, int firstFrames, int framesAtMost) const {
    if (captured.width != width_ * scale_ || captured.height != height_ * scale_) {
      return "no picture of the screen at its size";
    }
    const Screenshot shot = InDesktopPixels(captured, scale_);
    if (ProgramName() == "cleardraw") {
      return shot.Count(white) > shot.width * shot.height * 99 / 100 ? "" : "the screen is not white";
    }
    if (shot.Count(magenta) <= 1000) {
      return "too little magenta";
    }
    if (shot.Count(white, notice_.x, notice_.y, notice_.width, notice_.height) != 0) {
      return "the notice is still on the screen";
    }
    std::string faults;
    for (const std::string& fault : {FramesFault(shot, firstFrames, framesAtMost, FramesSoFar()),
                                     ScaledUpFault(captured, scale_), TerminalFault(shot)}) {
      faults += (faults.empty() || fault.empty() ? "" : "; ") + fault;
    }
    return faults;
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
  void EndWithAKey(View main) {
    EXPECT_TRUE(desktop_->WaitForFocus(main, 10s)) << "the main window keeps the keyboard";
    desktop_->TypeKey(XK_Escape);
    EXPECT_EQ(program_->WaitForExit(10s), 0);
    EXPECT_EQ(program_->Stderr(), "");
  }

  std::unique_ptr<Desktop> desktop_;
  Rectangle notice_{};
  // The screen before the program started, and where a terminal showed on it.
  Screenshot backdrop_;
  Rectangle terminal_{};
  Clock::time_point dismissed_;
  // The screen's size in the desktop's coordinates: each desktop's, until a test gives it another; and the scale
  // of its most scaled output.
  int width_ = screenWidth;
  int height_ = screenHeight;
  int scale_ = 1;
};

TEST_P(DesktopTest, NoticeThenTheFigureOverEverythingThenTheEnd) {
  if (RanInItsNamespaces()) {
    return;
  }
  const View main = StartAnimation();
  ASSERT_NE(main, 0u);
  const Rectangle shown = Maximized(main);
  EXPECT_LE(shown.x, 2);
  EXPECT_GE(shown.width, width_ - 4);
  EXPECT_GE(shown.height, height_ * 9 / 10);
  if (Kind().Has(captures)) {
    EXPECT_EQ(AwaitScreen(2), "");
  }
  if (Kind().Has(clicks)) {
    // A click on the program's window, over the terminal where one shows through it and through the figure's
    // surfaces, lands on the program's window.
    const Rectangle clicked = terminal_.width > 0 ? terminal_ : shown;
    desktop_->ClickAt(clicked.x + clicked.width / 2, clicked.y + clicked.height / 2);
    EXPECT_TRUE(desktop_->WaitForFocus(main, 10s)) << "the main window keeps the keyboard";
  }
  if (ProgramName() == "overdraw") {
    // Any key's release ends it.
    desktop_->TypeKey(XK_q);
  } else {
    // A window destroyed by another client, or closed by the compositor, ends it as well.
    desktop_->CloseFromOutside(main);
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

// The runs on the desktops that let a test do what it needs.
std::vector<std::tuple<std::string, std::string>> RunsWhere(
    const std::function<bool(const DesktopKind&, const std::string&)>& fits) {
  std::vector<std::tuple<std::string, std::string>> runs;
  for (const auto& [desktop, program] : Runs()) {
    if (fits(KindOf(desktop), program)) {
      runs.emplace_back(desktop, program);
    }
  }
  return runs;
}

class CompositorChangeTest : public DesktopTest {};

TEST_P(CompositorChangeTest, TheFigureAndTheDesktopShowAfterTheCompositorStopsAndStarts) {
  ASSERT_NE(StartAnimation(), 0u);
  EXPECT_EQ(AwaitScreen(2), "") << "before any change";
  for (const bool on : {false, true}) {
    // What was surely drawn before the change shows after it.
    const int drawnBefore = FramesSoFar() - 1;
    desktop_->SetCompositing(on);
    EXPECT_EQ(AwaitScreen(drawnBefore), "") << "after compositing went " << (on ? "on" : "off");
  }
  EndWithAKey(desktop_->WaitForView("test", "test", 10s));
}

INSTANTIATE_TEST_SUITE_P(Desktops, CompositorChangeTest, testing::ValuesIn(RunsWhere([](const DesktopKind& kind, auto&) {
                           return kind.Has(switchesCompositing);
                         })),
                         RunName);

class ResizeTest : public DesktopTest {};

TEST_P(ResizeTest, TheFigureFollowsTheScreenAsItGrowsAndShrinks) {
  if (RanInItsNamespaces()) {
    return;
  }
  const View main = StartAnimation();
  ASSERT_NE(main, 0u);
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
// Wayland compositors composite.
INSTANTIATE_TEST_SUITE_P(Desktops, ResizeTest,
                         testing::ValuesIn(RunsWhere([](const DesktopKind& kind, const std::string& program) {
                           return kind.Has(resizes) && (kind.Has(switchesCompositing) ||
                                                        kind.Has(privateNamespaces) || program == "cleardraw");
                         })),
                         RunName);

class OutputTest : public DesktopTest {};

TEST_P(OutputTest, TheFigureKeepsItsPlaceInTheDesktopAsOutputsComeAndScale) {
  if (RanInItsNamespaces()) {
    return;
  }
  const View main = StartAnimation();
  ASSERT_NE(main, 0u);
  EXPECT_EQ(AwaitScreen(2), "") << "before any change";
  // The figure is drawn in the desktop's coordinates: it stays where it was, and cleardraw's white covers the new
  // output too.
  int drawnBefore = FramesSoFar() - 1;
  desktop_->AddOutput(screenWidth, screenHeight);
  width_ += screenWidth;
  EXPECT_EQ(AwaitScreen(drawnBefore), "") << "with an output added to the right";
  drawnBefore = FramesSoFar() - 1;
  desktop_->SetScale(2);
  scale_ = 2;
  EXPECT_EQ(AwaitScreen(drawnBefore), "") << "with the first output at scale 2";
  EndWithAKey(main);
}

INSTANTIATE_TEST_SUITE_P(Desktops, OutputTest, testing::ValuesIn(RunsWhere([](const DesktopKind& kind, auto&) {
                           return kind.Has(changesOutputs);
                         })),
                         RunName);

class ServerGoneTest : public DesktopTest {};

TEST_P(ServerGoneTest, TheProgramSaysSoInOneLineAndExitsWith1) {
  if (RanInItsNamespaces()) {
    return;
  }
  ASSERT_NE(StartAnimation(), 0u);
  EXPECT_EQ(AwaitScreen(2), "");
  desktop_->Kill();
  EXPECT_EQ(program_->WaitForExit(10s), 1);
  const std::string said = program_->Stderr();
  EXPECT_TRUE(!said.empty() && said.find('\n') == said.size() - 1) << "one line on stderr: " << said;
}

INSTANTIATE_TEST_SUITE_P(Desktops, ServerGoneTest, testing::ValuesIn(RunsWhere([](const DesktopKind& kind, auto&) {
                           return kind.Has(killed);
                         })),
                         RunName);

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (std::getenv(insideNamespaces) != nullptr) {
    EnterPrivateNamespaces(testsupport::ProgramDir());
  }
  return RUN_ALL_TESTS();
}
