// Measures the Linux programs from outside, on a virtual 1920x1080 X server,
// bare or with picom compositing: start to notice, dismissal to first frame,
// frame period, CPU per frame of the program and of the X server, key
// release to exit and peak memory. The X server's damage reports time the
// frames: on the root window, and on every window created, the overlay that
// the program draws through under a compositor among them.
//
//   program_bench PROGRAM [RUNS] [picom]     prints one Markdown table row of medians
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <memory>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/xvfb.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int screenWidth = 1920;
constexpr int screenHeight = 1080;
constexpr int measuredFrames = 10;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Run {
  double startToNotice = 0;
  double dismissToFirstFrame = 0;
  double framePeriod = 0;
  double programCpuPerFrame = 0;
  double serverCpuPerFrame = 0;
  double releaseToExit = 0;
  long peakKiB = 0;
};

class Observer {
 public:
  explicit Observer(const std::string& name) : display_(XOpenDisplay(name.c_str())) {
    // A window may be gone by the time its damage is asked for.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    int error = 0;
    XDamageQueryExtension(display_, &damageEvent_, &error);
    XDamageCreate(display_, DefaultRootWindow(display_), XDamageReportRawRectangles);
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, False);
  }
  ~Observer() { XCloseDisplay(display_); }

  // Waits for the next top-level window to be mapped; returns when it was seen.
  Clock::time_point WaitForMap() {
    for (;;) {
      if (Next().type == MapNotify) {
        return Clock::now();
      }
    }
  }

  // Passes over what happened so far: the compositor's own windows.
  void Forget() {
    XSync(display_, False);
    while (XPending(display_) > 0) {
      Next();
    }
  }

  bool CompositorRuns() { return XGetSelectionOwner(display_, XInternAtom(display_, "_NET_WM_CM_S0", False)) != None; }

  // Waits for the next drawing of the figure: damage that lies where the
  // figure can reach and nowhere else. The reports a frame causes arrive
  // together; the first one times the frame and the rest are passed over.
  Clock::time_point WaitForFigure() {
    for (;;) {
      XEvent event = Next();
      if (event.type == damageEvent_ + XDamageNotify && InFigureArea(reinterpret_cast<XDamageNotifyEvent*>(&event)->area)) {
        const Clock::time_point seen = Clock::now();
        DrainDamage(5ms);
        return seen;
      }
    }
  }

  void Key(KeySym keysym, bool press) {
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, keysym), press ? True : False, CurrentTime);
    XSync(display_, False);
  }

 private:
  static bool InFigureArea(const XRectangle& area) {
    constexpr int low = 200;
    constexpr int high = 630;
    return area.x >= low && area.y >= low && area.x + area.width <= high && area.y + area.height <= high;
  }

  void DrainDamage(Clock::duration quiet) {
    for (;;) {
      const Clock::time_point until = Clock::now() + quiet;
      while (XPending(display_) == 0 && Clock::now() < until) {
        std::this_thread::sleep_for(200us);
      }
      if (XPending(display_) == 0) {
        return;
      }
      XEvent event;
      XNextEvent(display_, &event);
    }
  }

  // The next event; every window created is watched for damage from then on.
  XEvent Next() {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == CreateNotify) {
      XDamageCreate(display_, event.xcreatewindow.window, XDamageReportRawRectangles);
    }
    return event;
  }

  Display* display_;
  int damageEvent_ = 0;
};

Run MeasureOnce(const std::string& program, bool composited) {
  const testsupport::XvfbServer server(screenWidth, screenHeight);
  Observer observer(server.Display());
  std::unique_ptr<testsupport::Process> compositor;
  if (composited) {
    compositor = std::make_unique<testsupport::Process>(
        std::vector<std::string>{"picom", "--backend", "xrender", "--config", "/dev/null"});
    while (!observer.CompositorRuns()) {
      std::this_thread::sleep_for(20ms);
    }
    // It redirects the windows a moment after it owns its selection.
    std::this_thread::sleep_for(1s);
    observer.Forget();
  }
  Run run;

  const Clock::time_point launched = Clock::now();
  testsupport::Process process({program});
  run.startToNotice = Milliseconds(observer.WaitForMap() - launched);

  std::this_thread::sleep_for(200ms);
  observer.Key(XK_Return, true);
  observer.Key(XK_Return, false);
  const Clock::time_point dismissed = Clock::now();
  run.dismissToFirstFrame = Milliseconds(observer.WaitForFigure() - dismissed);

  observer.WaitForFigure();
  const Clock::time_point first = Clock::now();
  const double programCpu = testsupport::CpuMilliseconds(process.Pid());
  const double serverCpu = testsupport::CpuMilliseconds(server.Pid());
  for (int i = 0; i < measuredFrames; ++i) {
    observer.WaitForFigure();
  }
  run.framePeriod = Milliseconds(Clock::now() - first) / measuredFrames;
  run.programCpuPerFrame = (testsupport::CpuMilliseconds(process.Pid()) - programCpu) / measuredFrames;
  run.serverCpuPerFrame = (testsupport::CpuMilliseconds(server.Pid()) - serverCpu) / measuredFrames;
  run.peakKiB = testsupport::ProcessStatusKiB(process.Pid(), "VmHWM");

  // Release a key right after a frame was drawn: the next whole frame runs before the release is read.
  observer.Key(XK_Escape, true);
  observer.WaitForFigure();
  observer.Key(XK_Escape, false);
  const Clock::time_point released = Clock::now();
  process.WaitForExit(5s);
  run.releaseToExit = Milliseconds(Clock::now() - released);
  return run;
}

template <typename Field>
double Median(std::vector<Run>& runs, Field field) {
  std::vector<double> values;
  for (const Run& run : runs) {
    values.push_back(static_cast<double>(run.*field));
  }
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROGRAM [RUNS] [picom]\n", argv[0]);
    return 2;
  }
  const std::string program = argv[1];
  const int runCount = argc > 2 ? std::stoi(argv[2]) : 5;
  const bool composited = argc > 3 && std::string(argv[3]) == "picom";
  std::vector<Run> runs;
  for (int i = 0; i < runCount; ++i) {
    runs.push_back(MeasureOnce(program, composited));
  }
  const double period = Median(runs, &Run::framePeriod);
  std::printf("| %s%s | %.1f | %.1f | %.2f | %.2f | %.3f | %.3f | %.0f | %.0f |\n",
              program.substr(program.rfind('/') + 1).c_str(), composited ? " (picom)" : "", Median(runs, &Run::startToNotice),
              Median(runs, &Run::dismissToFirstFrame), period, period - 500, Median(runs, &Run::programCpuPerFrame),
              Median(runs, &Run::serverCpuPerFrame), Median(runs, &Run::releaseToExit),
              Median(runs, &Run::peakKiB));
}
