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
#include <thread>
#include <tuple>

#include "desktops.h"
#include "figure/figure.h"
#include "tests/support/desktop.h"
#include "tests/support/process.h"
#include "tests/support/screen.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::magenta;
using testsupport::Process;
using testsupport::Screenshot;
using testsupport::white;

constexpr const char* insideNamespaces = "DESKTOP_TEST_IN_NAMESPACES";

// The figure as frames 1, 2, ... draw it.
const std::vector<std::vector<GpPointF>>& FramesDrawn() {
  static const std::vector<std::vector<GpPointF>> frames = [] {
    std::vector<std::vector<GpPointF>> drawn;
    for (int frame = 0; frame < 100; ++frame) {
      StepFigure();
      drawn.emplace_back(figurePoints, figurePoints + figurePointCount);
    }
    return drawn;
  }();
  return frames;
}

// The frames drawn, at most, in that long since the notice was dismissed: one each half second.
int FramesWithin(Clock::duration since) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count() / 500) + 1;
}

bool Within(std::chrono::milliseconds limit, const std::function<bool()>& condition) {
  const auto deadline = Clock::now() + limit;
  while (!condition()) {
    if (Clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

Window Focus(Display* display) {
  Window focus;
  int revert;
  XGetInputFocus(display, &focus, &revert);
  return focus;
}

struct Rectangle {
  int x, y, width, height;
};

Rectangle OnScreen(Display* display, Window window) {
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  int x = 0;
  int y = 0;
  Window child;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  return Rectangle{x, y, attributes.width, attributes.height};
}

// Every segment of each of the frames shows, and no magenta lies off all of the latest frames drawn.
void ExpectFramesShown(const Screenshot& shot, int firstFrames, int framesDrawn) {
  const auto& frames = FramesDrawn();
  for (int frame = 0; frame < firstFrames; ++frame) {
    const std::vector<GpPointF>& points = frames[static_cast<std::size_t>(frame)];
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
      const double x = (points[i].X + points[i + 1].X) / 2;
      const double y = (points[i].Y + points[i + 1].Y) / 2;
      EXPECT_TRUE(testsupport::ColorNear(shot, x, y, 1, magenta)) << "frame " << frame + 1 << ", segment " << i;
    }
  }
  int stray = 0;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      if (shot.At(x, y) != magenta) {
        continue;
      }
      double nearest = INFINITY;
      for (int frame = 0; frame < framesDrawn; ++frame) {
        nearest = std::min(nearest, testsupport::DistanceToPolyline(x + 0.5, y + 0.5, frames[frame]));
      }
      stray += nearest > testsupport::strokeReach ? 1 : 0;
    }
  }
  EXPECT_EQ(stray, 0) << "magenta pixels on none of the " << framesDrawn << " frames drawn";
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

class DesktopTest : public testing::TestWithParam<std::tuple<std::string, std::string>> {
 protected:
  void SetUp() override {
    // The test runs again inside the namespaces, and starts the desktop there.
    if (OutsideItsNamespaces()) {
      return;
    }
    desktop_ = StartDesktop(DesktopName());
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr);
  }
  void TearDown() override {
    program_.reset();
    if (display_ != nullptr) {
      XCloseDisplay(display_);
    }
    desktop_.reset();
  }

  const std::string& DesktopName() const { return std::get<0>(GetParam()); }
  bool OutsideItsNamespaces() const {
    return NeedsPrivateNamespaces(DesktopName()) && std::getenv(insideNamespaces) == nullptr;
  }
  const std::string& ProgramName() const { return std::get<1>(GetParam()); }

  // Starts the program and dismisses its notice as a user would; returns the main window.
  Window StartAnimation() {
    program_ = std::make_unique<Process>(std::vector<std::string>{std::string(PROGRAM_DIR) + "/" + ProgramName()});
    const Window notice = testsupport::WaitForWindow(display_, "test", nullptr, 20s);
    if (notice == None) {
      ADD_FAILURE() << "no notice; " << program_->Stderr();
      return None;
    }
    EXPECT_TRUE(Within(5s, [&] { return Focus(display_) == notice; })) << "the notice takes the keyboard";
    notice_ = OnScreen(display_, notice);
    testsupport::TypeKey(display_, XK_Return);
    dismissed_ = Clock::now();
    const Window main = testsupport::WaitForWindow(display_, "test", "test", 20s);
    if (main == None) {
      ADD_FAILURE() << "no main window; " << program_->Stderr();
      return None;
    }
    EXPECT_TRUE(Within(5s, [&] { return Focus(display_) == main; })) << "the main window takes the keyboard";
    return main;
  }

  int FramesSoFar() const { return FramesWithin(Clock::now() - dismissed_); }

  int WhiteWhereTheNoticeWas(const Screenshot& shot) const {
    int count = 0;
    for (int y = notice_.y; y < notice_.y + notice_.height; ++y) {
      for (int x = notice_.x; x < notice_.x + notice_.width; ++x) {
        count += shot.At(x, y) == white ? 1 : 0;
      }
    }
    return count;
  }

  std::unique_ptr<Desktop> desktop_;
  Display* display_ = nullptr;
  std::unique_ptr<Process> program_;
  Rectangle notice_{};
  Clock::time_point dismissed_;
};

TEST_P(DesktopTest, NoticeThenTheFigureOverEverythingThenTheEnd) {
  if (OutsideItsNamespaces()) {
    RunInPrivateNamespaces();
    return;
  }
  const Window main = StartAnimation();
  ASSERT_NE(main, None);
  const Rectangle shown = OnScreen(display_, main);
  const int screenWidth = DisplayWidth(display_, DefaultScreen(display_));
  const int screenHeight = DisplayHeight(display_, DefaultScreen(display_));
  // Maximized, or tiled over the whole screen but for a border or a title bar.
  EXPECT_LE(shown.x, 2);
  EXPECT_GE(shown.width, screenWidth - 4);
  EXPECT_GE(shown.height, screenHeight * 9 / 10);

  std::this_thread::sleep_for(1700ms);
  const Screenshot shot = desktop_->Capture();
  ASSERT_EQ(shot.width, screenWidth) << "no picture of the screen";
  const int drawn = FramesSoFar();
  if (ProgramName() == "overdraw") {
    EXPECT_GT(shot.Count(magenta), 1000);
    ExpectFramesShown(shot, 2, drawn);
    EXPECT_EQ(WhiteWhereTheNoticeWas(shot), 0) << "the notice is still on the screen";
    // Any key's release ends it.
    testsupport::TypeKey(display_, XK_q);
  } else {
    EXPECT_GT(shot.Count(white), shot.width * shot.height * 99 / 100) << "the screen is not white";
    // A window destroyed by another client ends it as well.
    XDestroyWindow(display_, main);
    XSync(display_, False);
  }
  EXPECT_EQ(program_->WaitForExit(5s), 0);
  EXPECT_EQ(program_->Stderr(), "");
}

std::vector<std::tuple<std::string, std::string>> Runs() {
  std::vector<std::tuple<std::string, std::string>> runs;
  for (const std::string& desktop : DesktopNames()) {
    for (const char* program : {"overdraw", "cleardraw"}) {
      runs.emplace_back(desktop, program);
    }
  }
  return runs;
}

INSTANTIATE_TEST_SUITE_P(Desktops, DesktopTest, testing::ValuesIn(Runs()),
                         [](const testing::TestParamInfo<std::tuple<std::string, std::string>>& info) {
                           return std::get<0>(info.param) + "_" + std::get<1>(info.param);
                         });

class CompositorChangeTest : public DesktopTest {};

TEST_P(CompositorChangeTest, ACompositorStartingAndStoppingKeepsTheFigure) {
  ASSERT_NE(StartAnimation(), None);
  // What was drawn before each change shows after it.
  const auto expectKept = [this](int framesBefore) {
    const Screenshot shot = desktop_->Capture();
    if (ProgramName() == "overdraw") {
      ExpectFramesShown(shot, framesBefore - 1, FramesSoFar());
    } else {
      EXPECT_GT(shot.Count(white), shot.width * shot.height * 99 / 100) << "the screen is not white";
    }
  };
  std::this_thread::sleep_for(1200ms);
  const int beforeCompositing = FramesSoFar();
  desktop_->SetCompositing(true);
  std::this_thread::sleep_for(1200ms);
  expectKept(beforeCompositing);
  const int beforeStopping = FramesSoFar();
  desktop_->SetCompositing(false);
  std::this_thread::sleep_for(1200ms);
  expectKept(beforeStopping);
  testsupport::TypeKey(display_, XK_Escape);
  EXPECT_EQ(program_->WaitForExit(5s), 0);
  EXPECT_EQ(program_->Stderr(), "");
}

INSTANTIATE_TEST_SUITE_P(Desktops, CompositorChangeTest,
                         testing::Combine(testing::Values(std::string("openbox")),
                                          testing::Values(std::string("overdraw"), std::string("cleardraw"))),
                         [](const testing::TestParamInfo<std::tuple<std::string, std::string>>& info) {
                           return std::get<0>(info.param) + "_" + std::get<1>(info.param);
                         });

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (std::getenv(insideNamespaces) != nullptr) {
    EnterPrivateNamespaces(PROGRAM_DIR);
  }
  return RUN_ALL_TESTS();
}
