// Measures the Linux programs from outside, on a virtual 1920x1080 X server
// of each run's own, bare or with picom compositing. The X server's damage
// reports time the frames: on the root window, and on every window created,
// the overlay that the program draws through under a compositor among them.
// CPU is measured over as many frames again, counted by the program's
// pauses, with no damage reported, so that it is what the frames cost.
// Runs alternate between the programs given, so that whatever else the
// machine does weighs on each alike.
//
//   program_bench [picom] RUNS NAME=PROGRAM...     per program, a Markdown table row of medians: frame
//                                                  overhead, CPU per frame of the program, the X server
//                                                  and picom, peak memory, start and exit times
//   program_bench [picom] instructions NAME=PROGRAM...
//                                                  per program, a row: the instructions the whole process
//                                                  runs per frame, counted by callgrind (median of frames)
//   program_bench fill RUNS                        the X server's CPU for one fill of the whole root: one
//                                                  every pause, as a clearing frame does it, and back to back
//   program_bench pause RUNS                       the CPU a process spends per pause on nothing but the
//                                                  pause, and on the pause and one small request
//   program_bench [picom] profile PROGRAM SECONDS  where the X server's time goes while the program draws:
//                                                  perf samples of the server on the software clock, by
//                                                  library, over SECONDS of frames
//   program_bench sway RUNS NAME=PROGRAM...        on native sway with no X server, the programs its Wayland
//                                                  clients: per program and output size (1280x800, 3840x2160), a
//                                                  row of medians: CPU per frame of the program and of sway, peak
//                                                  memory
//   program_bench sway instructions NAME=PROGRAM...
//                                                  the same sizes: the instructions the whole process runs per
//                                                  frame, counted by callgrind (median of frames)
//   program_bench usage PID                        the CPU a running process has had so far (ms) and its
//                                                  peak resident memory (KiB), for wine_bench.py
#include <X11/Xlib.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/x11/x_errors.h"
#include "shell/shell.h"
#include "render/render.h"
#include "tools/compositor.h"
#include "tools/desktop.h"
#include "tools/process.h"
#include "tools/wait.h"
#include "tools/wayland.h"
#include "tools/xvfb.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int screenWidth = 1920;
constexpr int screenHeight = 1080;
constexpr int measuredFrames = 20;
constexpr int countedFrames = 12;
constexpr int fillsPerRun = 200;
constexpr auto framePause = std::chrono::milliseconds(framePauseMs);
// A frame's reports all come within this of its first; the next frame is a pause away.
constexpr auto frameReports = 250ms;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

class Observer {
 public:
  explicit Observer(const std::string& name) : display_(XOpenDisplay(name.c_str())) {
    int damageError = 0;
    XDamageQueryExtension(display_, &damageEvent_, &damageError);
    // A window may be gone by the time its damage is asked for, or its damage with it by the time it is let go.
    errors_.emplace(display_, std::initializer_list<unsigned char>{
                                  BadWindow, BadDrawable, static_cast<unsigned char>(damageError + BadDamage)});
    Watch(DefaultRootWindow(display_));
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, False);
  }
  ~Observer() {
    errors_.reset();
    x11::ForgetExpectedErrors(display_);
    XCloseDisplay(display_);
  }

  // Waits for the next top-level window to be mapped; returns it and when it was seen.
  std::pair<Window, Clock::time_point> WaitForMap() {
    for (;;) {
      const XEvent event = Next();
      if (event.type == MapNotify) {
        return {event.xmap.window, Clock::now()};
      }
    }
  }

  bool WaitForFocus(Window window) { return tools::WaitForFocus(display_, window, 30s); }

  // Waits for a compositor to own its selection and then to redirect the windows: a window of ours then
  // has a pixmap that can be named, which, unlike redirecting the windows again, takes nothing from it.
  bool AwaitCompositor() {
    const Window probe = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
    XMapWindow(display_, probe);
    const bool redirected = tools::WaitUntil(
        [&] {
          if (!tools::CompositorRuns(display_)) {
            return false;
          }
          x11::ExpectedErrors refused(display_, {BadMatch, BadWindow});
          const Pixmap pixmap = XCompositeNameWindowPixmap(display_, probe);
          if (refused.Caught()) {
            return false;
          }
          XFreePixmap(display_, pixmap);
          return true;
        },
        60s);
    XDestroyWindow(display_, probe);
    Forget();
    return redirected;
  }

  // Passes over what happened so far: the compositor's own windows.
  void Forget() {
    XSync(display_, False);
    while (XPending(display_) > 0) {
      Next();
    }
  }

  // Waits for the next drawing of the figure: damage that lies where the
  // figure can reach and nowhere else. The first report of a frame times
  // it; the rest, however they are spread, are passed over.
  Clock::time_point WaitForFigure() {
    for (;;) {
      XEvent event = Next();
      if (event.type == damageEvent_ + XDamageNotify && InFigureArea(reinterpret_cast<XDamageNotifyEvent*>(&event)->area) &&
          Clock::now() - lastFigure_ > frameReports) {
        lastFigure_ = Clock::now();
        DrainDamage(5ms);
        return lastFigure_;
      }
    }
  }

  // Stops or starts again the damage reports, so that what the frames cost the server can be measured
  // without them; windows created meanwhile are watched from the next event on.
  void Report(bool on) {
    for (auto& [window, damage] : watched_) {
      if (on) {
        damage = XDamageCreate(display_, window, XDamageReportRawRectangles);
      } else {
        XDamageDestroy(display_, damage);
      }
    }
    XSync(display_, False);
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
      Watch(event.xcreatewindow.window);
    }
    return event;
  }

  void Watch(Window window) { watched_.emplace_back(window, XDamageCreate(display_, window, XDamageReportRawRectangles)); }

  Display* display_;
  std::optional<x11::ExpectedErrors> errors_;
  int damageEvent_ = 0;
  Clock::time_point lastFigure_;
  std::vector<std::pair<Window, Damage>> watched_;
};

// A server of a run's own, watched, with picom compositing on it if asked.
struct Desktop {
  explicit Desktop(bool composited) : server(screenWidth, screenHeight), observer(server.Display()) {
    if (!composited) {
      return;
    }
    compositor = std::make_unique<tools::Process>(
        std::vector<std::string>{"picom", "--backend", "xrender", "--config", "/dev/null"});
    if (!observer.AwaitCompositor()) {
      throw std::runtime_error("picom did not start compositing");
    }
  }

  // Starts the program and dismisses its notice; returns when it was launched and when it showed the notice.
  std::pair<Clock::time_point, Clock::time_point> Start(std::unique_ptr<tools::Process>& process,
                                                        const std::vector<std::string>& command) {
    const Clock::time_point launched = Clock::now();
    process = std::make_unique<tools::Process>(command);
    const auto [notice, noticed] = observer.WaitForMap();
    // A key typed before the notice has the keyboard would be lost.
    observer.WaitForFocus(notice);
    observer.Key(XK_Return, true);
    observer.Key(XK_Return, false);
    return {launched, noticed};
  }

  double CompositorCpu() const { return compositor ? tools::CpuMilliseconds(compositor->Pid()) : 0; }

  tools::XvfbServer server;
  Observer observer;
  std::unique_ptr<tools::Process> compositor;
};

struct Program {
  std::string name;
  std::string path;
};

enum Field { startToNotice, dismissToFirstFrame, frameOverhead, programCpu, serverCpu, compositorCpu, releaseToExit,
             peakKiB, fieldCount };

std::vector<double> MeasureOnce(const std::string& program, bool composited) {
  Desktop desktop(composited);
  std::vector<double> run(fieldCount);
  std::unique_ptr<tools::Process> process;
  const auto [launched, noticed] = desktop.Start(process, {program});
  run[startToNotice] = Milliseconds(noticed - launched);
  const Clock::time_point dismissed = Clock::now();
  run[dismissToFirstFrame] = Milliseconds(desktop.observer.WaitForFigure() - dismissed);

  const Clock::time_point first = desktop.observer.WaitForFigure();
  Clock::time_point last = first;
  for (int i = 0; i < measuredFrames; ++i) {
    last = desktop.observer.WaitForFigure();
  }
  run[frameOverhead] = Milliseconds(last - first - measuredFrames * framePause) / measuredFrames;

  // The CPU over as many frames, counted by the program's pauses, with no damage reported.
  desktop.observer.Report(false);
  process->WaitForPauses(1, 5s);
  const double programBefore = tools::CpuMilliseconds(process->Pid());
  const double serverBefore = tools::CpuMilliseconds(desktop.server.Pid());
  const double compositorBefore = desktop.CompositorCpu();
  process->WaitForPauses(measuredFrames, 60s);
  run[programCpu] = (tools::CpuMilliseconds(process->Pid()) - programBefore) / measuredFrames;
  run[serverCpu] = (tools::CpuMilliseconds(desktop.server.Pid()) - serverBefore) / measuredFrames;
  run[compositorCpu] = (desktop.CompositorCpu() - compositorBefore) / measuredFrames;
  run[peakKiB] = static_cast<double>(tools::ProcessStatusKiB(process->Pid(), "VmHWM"));
  desktop.observer.Report(true);

  // Release a key right after a frame was drawn: the next whole frame runs before the release is read.
  desktop.observer.Key(XK_Escape, true);
  desktop.observer.WaitForFigure();
  desktop.observer.Key(XK_Escape, false);
  const Clock::time_point released = Clock::now();
  process->WaitForExit(5s);
  run[releaseToExit] = Milliseconds(Clock::now() - released);
  return run;
}

void Measure(const std::vector<Program>& programs, int runCount, bool composited) {
  std::vector<std::vector<std::vector<double>>> runs(programs.size());
  for (int i = 0; i < runCount; ++i) {
    for (size_t p = 0; p < programs.size(); ++p) {
      runs[p].push_back(MeasureOnce(programs[p].path, composited));
    }
  }
  for (size_t p = 0; p < programs.size(); ++p) {
    std::vector<double> median(fieldCount);
    for (int field = 0; field < fieldCount; ++field) {
      std::vector<double> values;
      for (const std::vector<double>& run : runs[p]) {
        values.push_back(run[field]);
      }
      median[field] = Median(values);
    }
    char compositor[16] = "n/a";
    if (composited) {
      std::snprintf(compositor, sizeof compositor, "%.3f", median[compositorCpu]);
    }
    const std::string base = programs[p].path.substr(programs[p].path.rfind('/') + 1);
    std::printf("| %s%s | %s | %.2f | %.3f | %.3f | %s | %.0f | %.1f | %.1f | %.0f |\n", base.c_str(),
                composited ? " (picom)" : "", programs[p].name.c_str(), median[frameOverhead], median[programCpu],
                median[serverCpu], compositor, median[peakKiB], median[startToNotice], median[dismissToFirstFrame],
                median[releaseToExit]);
  }
}

double CallgrindFrames(const std::string& out);

// Under callgrind, which writes what the process ran since its last dump on
// every entry to the pause: from the third dump on, each holds one whole frame.
double InstructionsPerFrame(const std::string& program, bool composited) {
  Desktop desktop(composited);
  char directory[] = "/tmp/program_bench.XXXXXX";
  const std::string out = std::string(mkdtemp(directory)) + "/callgrind";
  std::unique_ptr<tools::Process> process;
  desktop.Start(process, {"valgrind", "--tool=callgrind", "--dump-before=Sleep", "--callgrind-out-file=" + out, program});
  for (int i = 0; i < countedFrames + 3; ++i) {
    desktop.observer.WaitForFigure();
  }
  desktop.observer.Key(XK_Escape, true);
  desktop.observer.Key(XK_Escape, false);
  process->WaitForExit(60s);
  const double perFrame = CallgrindFrames(out);
  rmdir(directory);
  return perFrame;
}

// The median of the instructions of whole frames that callgrind dumped to files named from `out`, which it
// removes: from the third dump on, each holds one frame.
double CallgrindFrames(const std::string& out) {
  std::vector<double> frames;
  for (int dump = 1;; ++dump) {
    const std::string path = out + "." + std::to_string(dump);
    std::ifstream file(path);
    if (!file) {
      break;
    }
    std::string line;
    while (std::getline(file, line)) {
      if (dump >= 3 && line.rfind("summary: ", 0) == 0) {
        frames.push_back(std::stod(line.substr(9)));
      }
    }
    unlink(path.c_str());
  }
  unlink(out.c_str());
  return frames.empty() ? 0 : Median(frames);
}

// perf samples the server on the software clock, which needs no hardware counters, with no damage reported.
void ProfileServer(const std::string& program, bool composited, int seconds) {
  Desktop desktop(composited);
  std::unique_ptr<tools::Process> process;
  desktop.Start(process, {program});
  // Past the first frames, once everything has been set up.
  for (int i = 0; i < 3; ++i) {
    desktop.observer.WaitForFigure();
  }
  desktop.observer.Report(false);
  char directory[] = "/tmp/program_bench.XXXXXX";
  const std::string data = std::string(mkdtemp(directory)) + "/perf.data";
  tools::Process record({"perf", "record", "-q", "-e", "cpu-clock", "-p", std::to_string(desktop.server.Pid()), "-o",
                         data, "--", "sleep", std::to_string(seconds)});
  record.WaitForExit(std::chrono::seconds(seconds) + 60s);
  tools::Process report({"perf", "report", "-i", data, "--stdio", "--sort", "dso"});
  report.WaitForExit(60s);
  std::istringstream lines(report.Stdout());
  int printed = 0;
  for (std::string line; printed < 8 && std::getline(lines, line);) {
    if (!line.empty() && line[0] != '#') {
      std::printf("%s\n", line.c_str());
      ++printed;
    }
  }
  unlink(data.c_str());
  rmdir(directory);
}

// One fill of the whole root, as a program that clears the bare screen does
// it, waited for each time: after a pause each, as in a frame, when the
// screen's memory has left the caches, or back to back, when it has not.
double ServerCpuPerFill(Clock::duration pause, int fills) {
  const tools::XvfbServer server(screenWidth, screenHeight);
  Display* display = XOpenDisplay(server.Display().c_str());
  const Window root = DefaultRootWindow(display);
  XGCValues values{};
  values.subwindow_mode = IncludeInferiors;
  const GC gc = XCreateGC(display, root, GCSubwindowMode, &values);
  XSync(display, False);
  double cpu = 0;
  for (int i = 0; i < fills; ++i) {
    std::this_thread::sleep_for(pause);
    const double before = tools::CpuMilliseconds(server.Pid());
    XSetForeground(display, gc, i % 2 == 0 ? 0xff00ff : 0x000000);
    XFillRectangle(display, root, gc, 0, 0, screenWidth, screenHeight);
    XSync(display, False);
    cpu += tools::CpuMilliseconds(server.Pid()) - before;
  }
  XFreeGC(display, gc);
  XCloseDisplay(display);
  return cpu / fills;
}

// A process that does nothing but the frames' pause, over as many frames as
// the programs are measured for, or that also sends one small request to an
// X server after each: what waking up costs on this machine, the least that
// any program drawing once a pause can spend.
double CpuPerPause(bool drawing) {
  const std::optional<tools::XvfbServer> server =
      drawing ? std::make_optional<tools::XvfbServer>(screenWidth, screenHeight) : std::nullopt;
  const pid_t child = fork();
  if (child == 0) {
    Display* display = server ? XOpenDisplay(server->Display().c_str()) : nullptr;
    for (;;) {
      const timespec pause{0, std::chrono::nanoseconds(framePause).count()};
      clock_nanosleep(CLOCK_REALTIME, 0, &pause, nullptr);
      if (display != nullptr) {
        XFillRectangle(display, DefaultRootWindow(display), DefaultGC(display, DefaultScreen(display)), 0, 0, 1, 1);
        XFlush(display);
      }
    }
  }
  std::this_thread::sleep_for(2 * framePause);
  const double before = tools::CpuMilliseconds(child);
  std::this_thread::sleep_for(measuredFrames * framePause);
  const double perPause = (tools::CpuMilliseconds(child) - before) / measuredFrames;
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return perPause;
}

// Native sway of a run's own, headless on one output of that size, with no X server: the programs started while
// it runs are its Wayland clients. It runs as the desktop tests' unprivileged user, since it refuses root.
class SwayRun {
 public:
  SwayRun(int width, int height)
      : folder_(MakeFolder()), sway_("overdraw-test", folder_, width, height, {"xwayland disable"}) {
    unsetenv("DISPLAY");
    setenv("WAYLAND_DISPLAY", sway_.wayland.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", sway_.runtime.c_str(), 1);
  }
  ~SwayRun() {
    sway_.Kill();
    tools::Process({"rm", "-rf", folder_}).WaitForExit(30s);
  }

  // Starts the program and dismisses its notice once it has the keyboard; false if either window never comes.
  bool Start(std::unique_ptr<tools::Process>& process, const std::vector<std::string>& command) {
    process = std::make_unique<tools::Process>(command);
    const tools::SwayView notice = sway_.WaitForView(appName, nullptr, 60s);
    if (notice.id == 0 || !sway_.WaitForFocus(notice.id, 30s)) {
      return false;
    }
    sway_.TypeKey("Return");
    const tools::SwayView main = sway_.WaitForView(appName, appName, 60s, notice.id);
    return main.id != 0 && sway_.WaitForFocus(main.id, 30s);
  }
  void End(tools::Process& process) {
    sway_.TypeKey("Escape");
    process.WaitForExit(60s);
  }
  double SwayCpu() const { return tools::CpuMilliseconds(sway_.Pid()); }

 private:
  static std::string MakeFolder() {
    char folder[] = "/tmp/program_bench.XXXXXX";
    return mkdtemp(folder);
  }

  std::string folder_;
  tools::Sway sway_;
};

const std::vector<std::pair<int, int>> swaySizes = {{1280, 800}, {3840, 2160}};

enum SwayField { swayProgramCpu, swayCpu, swayPeakKiB, swayFieldCount };

std::vector<double> MeasureOnSway(const std::string& program, int width, int height) {
  SwayRun run(width, height);
  std::unique_ptr<tools::Process> process;
  if (!run.Start(process, {program})) {
    throw std::runtime_error(program + " showed no notice or no main window on sway: " + process->Stderr());
  }
  // Past the first frames, once everything has been set up.
  process->WaitForPauses(3, 30s);
  const double programBefore = tools::CpuMilliseconds(process->Pid());
  const double swayBefore = run.SwayCpu();
  process->WaitForPauses(measuredFrames, 60s);
  std::vector<double> measured(swayFieldCount);
  measured[swayProgramCpu] = (tools::CpuMilliseconds(process->Pid()) - programBefore) / measuredFrames;
  measured[swayCpu] = (run.SwayCpu() - swayBefore) / measuredFrames;
  measured[swayPeakKiB] = static_cast<double>(tools::ProcessStatusKiB(process->Pid(), "VmHWM"));
  run.End(*process);
  return measured;
}

void MeasureSway(const std::vector<Program>& programs, int runCount) {
  for (const auto& [width, height] : swaySizes) {
    std::vector<std::vector<std::vector<double>>> runs(programs.size());
    for (int i = 0; i < runCount; ++i) {
      for (size_t p = 0; p < programs.size(); ++p) {
        runs[p].push_back(MeasureOnSway(programs[p].path, width, height));
      }
    }
    for (size_t p = 0; p < programs.size(); ++p) {
      std::vector<double> median(swayFieldCount);
      for (int field = 0; field < swayFieldCount; ++field) {
        std::vector<double> values;
        for (const std::vector<double>& run : runs[p]) {
          values.push_back(run[field]);
        }
        median[field] = Median(values);
      }
      const std::string base = programs[p].path.substr(programs[p].path.rfind('/') + 1);
      std::printf("| %s | %dx%d | %s | %.3f | %.3f | %.0f |\n", base.c_str(), width, height,
                  programs[p].name.c_str(), median[swayProgramCpu], median[swayCpu], median[swayPeakKiB]);
    }
  }
}

// As InstructionsPerFrame, on native sway.
double InstructionsPerFrameOnSway(const std::string& program, int width, int height) {
  SwayRun run(width, height);
  char directory[] = "/tmp/program_bench.XXXXXX";
  const std::string out = std::string(mkdtemp(directory)) + "/callgrind";
  std::unique_ptr<tools::Process> process;
  if (!run.Start(process, {"valgrind", "--tool=callgrind", "--dump-before=Sleep", "--callgrind-out-file=" + out,
                           program})) {
    throw std::runtime_error(program + " showed no notice or no main window on sway: " + process->Stderr());
  }
  process->WaitForPauses(countedFrames + 3, 120s);
  run.End(*process);
  const double perFrame = CallgrindFrames(out);
  rmdir(directory);
  return perFrame;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool composited = !args.empty() && args.front() == "picom";
  const bool onSway = !args.empty() && args.front() == "sway";
  if (composited || onSway) {
    args.erase(args.begin());
  }
  if (args.size() == 2 && args[0] == "usage" && !composited) {
    const pid_t pid = std::stoi(args[1]);
    std::printf("%.3f %ld\n", tools::CpuMilliseconds(pid), tools::ProcessStatusKiB(pid, "VmHWM"));
    return 0;
  }
  if (args.size() == 2 && (args[0] == "fill" || args[0] == "pause") && !composited) {
    // Two references each: after a pause and back to back, or pausing alone and pausing and drawing.
    std::vector<double> first, second;
    for (int i = 0; i < std::stoi(args[1]); ++i) {
      const bool fill = args[0] == "fill";
      first.push_back(fill ? ServerCpuPerFill(framePause, measuredFrames) : CpuPerPause(false));
      second.push_back(fill ? ServerCpuPerFill(0ms, fillsPerRun) : CpuPerPause(true));
    }
    std::printf("%.3f %.3f\n", Median(first), Median(second));
    return 0;
  }
  if (args.size() == 3 && args[0] == "profile") {
    ProfileServer(args[1], composited, std::stoi(args[2]));
    return 0;
  }
  std::vector<Program> programs;
  for (size_t i = 1; i < args.size(); ++i) {
    const size_t equals = args[i].find('=');
    programs.push_back({args[i].substr(0, equals), args[i].substr(equals + 1)});
  }
  if (programs.empty() || args[1].find('=') == std::string::npos) {
    std::fprintf(stderr, "usage: %s [picom|sway] RUNS NAME=PROGRAM...\n       %s [picom|sway] instructions NAME=PROGRAM...\n"
                 "       %s [picom] profile PROGRAM SECONDS\n       %s fill RUNS\n       %s pause RUNS\n       %s usage PID\n",
                 argv[0], argv[0], argv[0], argv[0], argv[0], argv[0]);
    return 2;
  }
  if (onSway && args[0] == "instructions") {
    for (const auto& [width, height] : swaySizes) {
      for (const Program& program : programs) {
        const std::string base = program.path.substr(program.path.rfind('/') + 1);
        std::printf("| %s | %dx%d | %s | %.0f |\n", base.c_str(), width, height, program.name.c_str(),
                    InstructionsPerFrameOnSway(program.path, width, height));
      }
    }
    return 0;
  }
  if (onSway) {
    MeasureSway(programs, std::stoi(args[0]));
    return 0;
  }
  if (args[0] == "instructions") {
    for (const Program& program : programs) {
      const std::string base = program.path.substr(program.path.rfind('/') + 1);
      std::printf("| %s%s | %s | %.0f |\n", base.c_str(), composited ? " (picom)" : "", program.name.c_str(),
                  InstructionsPerFrame(program.path, composited));
    }
    return 0;
  }
  Measure(programs, std::stoi(args[0]), composited);
}
