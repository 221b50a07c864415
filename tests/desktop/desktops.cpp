#include "desktops.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xcomposite.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "tools/compositor.h"
#include "tools/desktop.h"
#include "tools/process.h"
#include "tools/wait.h"
#include "tools/wayland.h"
#include "tools/xvfb.h"

namespace {

using namespace std::chrono_literals;
using tools::CompositorRuns;
using tools::Process;

// The unprivileged user a Wayland compositor runs as; the test command creates it.
constexpr const char* compositorUser = "overdraw-test";

void WaitFor(const std::function<bool()>& ready, std::chrono::seconds limit, const std::string& what) {
  if (!tools::WaitUntil(ready, limit, 50ms)) {
    throw std::runtime_error("gave up waiting for " + what);
  }
}

std::string MakeDirectory(const std::string& path, mode_t mode) {
  mkdir(path.c_str(), mode);
  chmod(path.c_str(), mode);
  return path;
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
}

// Whether a window manager manages new windows: it has put the ICCCM WM_STATE on a probe window that the test maps,
// mapped again each time, since a manager that is still starting may let a map request pass unanswered.
bool ManagesWindows(Display* display, Window probe) {
  XMapWindow(display, probe);
  const Atom state = XInternAtom(display, "WM_STATE", False);
  return tools::WaitUntil([&] {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, probe, state, 0, 1, False, AnyPropertyType, &type, &format, &count, &remaining, &data);
    if (data != nullptr) {
      XFree(data);
    }
    return type != None;
  }, 1s, 50ms);
}

// A desktop driven through X: its windows found, typed into and clicked with XTest.
class XDesktop : public Desktop {
 public:
  ~XDesktop() override { CloseDisplay(); }

  View WaitForView(const char* title, const char* appId, std::chrono::milliseconds limit, View besides) override {
    Window found = None;
    tools::WaitUntil(
        [&] { return (found = tools::FindViewableWindow(display_, title, appId)) != None && found != besides; }, limit);
    return found != besides ? found : None;
  }
  bool WaitForFocus(View view, std::chrono::milliseconds limit) override {
    return tools::WaitForFocus(display_, view, limit);
  }
  tools::Rectangle Where(View view) override { return tools::OnScreen(display_, view); }
  void TypeKey(unsigned long keysym) override { tools::TypeKey(display_, keysym); }
  void ClickAt(int x, int y) override { tools::ClickAt(display_, DefaultRootWindow(display_), x, y); }
  void CloseFromOutside(View view) override {
    XDestroyWindow(display_, view);
    XSync(display_, False);
  }

 protected:
  // Before the server goes: Xlib ends the process when a connection breaks.
  void CloseDisplay() {
    if (display_ != nullptr) {
      XCloseDisplay(display_);
      display_ = nullptr;
    }
  }

  Display* display_ = nullptr;
};

// An X desktop on a virtual X server whose framebuffer file shows what the screen shows, or on Xorg with the dummy
// driver, whose screen can change its size as a user asks it to.
class XvfbDesktop : public XDesktop {
 public:
  explicit XvfbDesktop(bool resizable = false)
      : files_(MakeTemporaryDirectory()),
        resizable_(resizable),
        server_(resizable ? std::make_unique<tools::XServer>(std::vector<std::string>{
                                "Xorg", "-config", XORG_DUMMY_CONFIG, "-logfile", files_ + "/Xorg.log", "-noreset",
                                "-novtswitch", "-sharevts", "-nolisten", "tcp"})
                          : std::make_unique<tools::XvfbServer>(screenWidth, screenHeight, 24,
                                                                std::vector<std::string>{"-fbdir", files_})) {
    display_ = XOpenDisplay(server_->Display().c_str());
    if (display_ == nullptr) {
      throw std::runtime_error("cannot open " + server_->Display());
    }
    // The pointer out of the way: the framebuffer shows it.
    XWarpPointer(display_, None, DefaultRootWindow(display_), 0, 0, 0, 0, screenWidth - 1, screenHeight - 1);
    XSync(display_, False);
  }
  ~XvfbDesktop() override {
    compositor_.reset();
    processes_.clear();
    CloseDisplay();
    server_.reset();
    for (const char* file : {"/Xvfb_screen0", "/Xorg.log", "/Xorg.log.old"}) {
      unlink((files_ + file).c_str());
    }
    rmdir(files_.c_str());
  }

  tools::Screenshot Capture() override {
    return resizable_ ? tools::CaptureScreen(display_) : tools::ReadXwd(files_ + "/Xvfb_screen0");
  }

  void Resize(int width, int height) override {
    if (!resizable_ || Process({"xrandr", "-s", std::to_string(width) + "x" + std::to_string(height)})
                               .WaitForExit(30s) != 0) {
      throw std::runtime_error("cannot give the screen a new size");
    }
    WaitFor(
        [&] {
          XWindowAttributes root;
          XGetWindowAttributes(display_, DefaultRootWindow(display_), &root);
          return root.width == width && root.height == height;
        },
        30s, "the screen's new size");
  }

  void SetCompositing(bool on) override {
    const tools::Screenshot before = Capture();
    switchCompositing_(on);
    if (on) {
      AwaitCompositor(before);
    } else {
      WaitFor([this] { return !CompositorRuns(display_); }, 60s, "the compositor to stop");
    }
  }

  // A compositor owns its selection before it redirects windows and paints: it is ready once it has
  // painted the screen anew (or, on a screen that looks the same composited, within a bound) and holds the
  // redirection, which programs starting then see.
  void AwaitCompositor(const tools::Screenshot& before) {
    WaitFor([this] { return CompositorRuns(display_); }, 120s, "the compositor");
    tools::WaitUntil([&] { return Capture().pixels != before.pixels; }, 3s, 50ms);
    WaitFor([this] { return tools::RedirectionHeld(display_); }, 120s, "the compositor to redirect the windows");
  }

  // A window manager, which may be a compositing one too.
  void StartWindowManager(const std::vector<std::string>& command, bool composites = false) {
    const tools::Screenshot before = Capture();
    processes_.push_back(std::make_unique<Process>(command));
    const Window probe = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
    WaitFor([&] { return ManagesWindows(display_, probe); }, 120s, "the window manager");
    XDestroyWindow(display_, probe);
    XSync(display_, False);
    if (composites) {
      AwaitCompositor(before);
    }
  }

  // A compositor that starts and ends on its own, over a window manager without one.
  void UseCompositor(const std::vector<std::string>& command) {
    switchCompositing_ = [this, command](bool on) {
      compositor_ = on ? std::make_unique<Process>(command) : nullptr;
    };
    SetCompositing(true);
  }

  // A window manager's compositor, switched in its settings by this command with "true" or "false" appended.
  void SwitchCompositingWith(const std::vector<std::string>& command) {
    switchCompositing_ = [command](bool on) {
      std::vector<std::string> switching = command;
      switching.emplace_back(on ? "true" : "false");
      if (Process(switching).WaitForExit(30s) != 0) {
        throw std::runtime_error("cannot switch compositing with " + command.front());
      }
    };
  }

  // A terminal under the figure, printing ten lines a second.
  void StartBusyTerminal() {
    processes_.push_back(std::make_unique<Process>(std::vector<std::string>{
        "xterm", "-fa", "Monospace", "-fs", "10", "-geometry", "60x12+200+260", "-bg", ColorName(terminalBackground), "-fg", "#c0c0c0",
        "-title", terminalTitle, "-e", "sh", "-c",
        "i=0; while :; do i=$((i+1)); echo line $i of a busy terminal; sleep 0.1; done"}));
    WaitFor([this] { return tools::FindViewableWindow(display_, terminalTitle, "XTerm") != None; }, 30s,
            "the terminal");
  }

  // A session bus of the desktop's own, for managers that keep their settings behind one; its address.
  std::string StartSessionBus() {
    const std::string socket = Home() + "/bus";
    processes_.push_back(std::make_unique<Process>(
        std::vector<std::string>{"env", "HOME=" + Home(), "dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket}));
    WaitFor([&] { return access(socket.c_str(), F_OK) == 0; }, 30s, "the session bus");
    return "unix:path=" + socket;
  }

  // A home of the desktop's own, for window managers that write their settings there.
  std::string Home() {
    if (home_.empty()) {
      home_ = MakeTemporaryDirectory();
    }
    return home_;
  }

 private:
  static std::string MakeTemporaryDirectory() {
    char pattern[] = "/tmp/desktop-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
      throw std::runtime_error("mkdtemp failed");
    }
    return pattern;
  }

  std::string files_;
  bool resizable_;
  std::unique_ptr<tools::XServer> server_;
  std::string home_;
  std::vector<std::unique_ptr<Process>> processes_;
  std::unique_ptr<Process> compositor_;
  std::function<void(bool)> switchCompositing_ = [](bool) { throw std::logic_error("no compositor to switch"); };
};

// The folder of a Wayland desktop's files, in the private /tmp.
const std::string waylandFiles = "/tmp/wayland";

// Which displays the programs are given.
enum Seen : unsigned { seesX = 1, seesWayland = 2 };

// A Wayland compositor run as an unprivileged user in the private namespaces that the test process entered; what
// it starts ends with the process namespace, when the test ends. The programs are given its X display, its Wayland
// display or both, and are driven through XWayland, or (see NativeSway) through the compositor.
class WaylandDesktop : public XDesktop {
 public:
  WaylandDesktop(std::unique_ptr<tools::WaylandCompositor> compositor, unsigned seen, bool drivenThroughX)
      : compositor_(std::move(compositor)) {
    const tools::WaylandCompositor& announced = *compositor_;
    if ((seen & seesX) != 0) {
      // XWayland lets in its own user only.
      WaitFor(
          [&] {
            return Process({"runuser", "-u", compositorUser, "--", "env", "DISPLAY=" + announced.display,
                            "XAUTHORITY=" + announced.xauthority, "xhost", "+si:localuser:root"})
                       .WaitForExit(10s) == 0;
          },
          120s, "XWayland to let root in");
      setenv("DISPLAY", announced.display.c_str(), 1);
    } else {
      unsetenv("DISPLAY");
    }
    if ((seen & seesWayland) != 0) {
      setenv("WAYLAND_DISPLAY", announced.wayland.c_str(), 1);
      setenv("XDG_RUNTIME_DIR", announced.runtime.c_str(), 1);
    } else {
      unsetenv("WAYLAND_DISPLAY");
    }
    if (drivenThroughX) {
      display_ = XOpenDisplay(announced.display.c_str());
      if (display_ == nullptr) {
        throw std::runtime_error("cannot open " + announced.display);
      }
    }
  }

  ~WaylandDesktop() override { CloseDisplay(); }

  tools::Screenshot Capture() override { return {}; }

 protected:
  std::unique_ptr<tools::WaylandCompositor> compositor_;
};

// Sway, whose screen grim reads and whose outputs its IPC configures.
class SwayDesktop : public WaylandDesktop {
 public:
  SwayDesktop(const std::string& xwayland, unsigned seen, bool drivenThroughX)
      : WaylandDesktop(std::make_unique<tools::Sway>(compositorUser, waylandFiles, screenWidth, screenHeight,
                                                     std::vector<std::string>{"xwayland " + xwayland}),
                       seen, drivenThroughX),
        sway_(static_cast<tools::Sway&>(*compositor_)) {}

  tools::Screenshot Capture() override { return sway_.Capture(); }

  void Resize(int width, int height) override {
    sway_.Command("output HEADLESS-1 resolution " + Size(width, height));
    first_ = {width, height};
    right_ = width;
  }

  void AddOutput(int width, int height) override {
    const std::vector<std::string> before = sway_.Outputs();
    sway_.Command("create_output");
    for (const std::string& name : sway_.Outputs()) {
      if (std::find(before.begin(), before.end(), name) == before.end()) {
        sway_.Command("output " + name + " resolution " + Size(width, height) + " position " + std::to_string(right_) +
                      " 0");
        right_ += width;
        return;
      }
    }
    throw std::runtime_error("sway added no output");
  }

  void SetScale(int scale) override {
    sway_.Command("output HEADLESS-1 resolution " + Size(first_.first * scale, first_.second * scale) + " scale " +
                  std::to_string(scale));
  }

 protected:
  static std::string Size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

  tools::Sway& sway_;
  // The first output's size in the desktop, and the desktop's right edge.
  std::pair<int, int> first_{screenWidth, screenHeight};
  int right_ = screenWidth;
};

// Sway with the programs on it as Wayland clients, driven through sway alone: views of its tree, which must be
// native ones, keys on a virtual keyboard, clicks of the seat's cursor.
class NativeSway : public SwayDesktop {
 public:
  NativeSway(const std::string& xwayland, unsigned seen) : SwayDesktop(xwayland, seen, false) {}

  void Kill() override { compositor_->Kill(); }

  View WaitForView(const char* title, const char* appId, std::chrono::milliseconds limit, View besides) override {
    return static_cast<View>(sway_.WaitForView(title, appId, limit, static_cast<long>(besides)).id);
  }
  bool WaitForFocus(View view, std::chrono::milliseconds limit) override {
    return sway_.WaitForFocus(static_cast<long>(view), limit);
  }
  tools::Rectangle Where(View view) override { return sway_.Find(static_cast<long>(view)).rect; }
  void TypeKey(unsigned long keysym) override { sway_.TypeKey(XKeysymToString(keysym)); }
  void ClickAt(int x, int y) override { sway_.ClickAt(x, y); }
  void CloseFromOutside(View view) override { sway_.Command("[con_id=" + std::to_string(view) + "] kill"); }
};

std::unique_ptr<XvfbDesktop> WithWindowManager(const std::vector<std::string>& command, bool composites = false,
                                               bool resizable = false) {
  auto desktop = std::make_unique<XvfbDesktop>(resizable);
  desktop->StartWindowManager(command, composites);
  return desktop;
}

// A compositing window manager over a busy terminal.
std::unique_ptr<Desktop> CompositingOverBusyTerminal(const std::vector<std::string>& command) {
  auto desktop = WithWindowManager(command, true);
  desktop->StartBusyTerminal();
  return desktop;
}

// Openbox with a busy terminal under the figure and this compositor over both.
std::unique_ptr<Desktop> OverBusyTerminal(const std::vector<std::string>& compositor, bool resizable = false) {
  auto desktop = WithWindowManager({"openbox"}, false, resizable);
  desktop->StartBusyTerminal();
  desktop->UseCompositor(compositor);
  return desktop;
}

std::unique_ptr<Desktop> Fluxbox() {
  // Without a wallpaper and a toolbar, and without asking on first start.
  auto desktop = std::make_unique<XvfbDesktop>();
  const std::string home = desktop->Home();
  MakeDirectory(home + "/.fluxbox", 0755);
  WriteFile(home + "/.fluxbox/init", "session.configVersion: 13\n"
                                     "session.screen0.toolbar.visible: false\n"
                                     "session.screen0.workspaces: 1\n");
  WriteFile(home + "/.fluxbox/overlay", "background: none\n");
  WriteFile(home + "/.fluxbox/apps", "");
  WriteFile(home + "/.fluxbox/startup", "");
  desktop->StartWindowManager({"env", "HOME=" + home, "fluxbox"});
  return desktop;
}

std::unique_ptr<Desktop> KwinX11() {
  // Settings of its own: two KWins sharing one home's settings can disturb each other's start.
  auto desktop = std::make_unique<XvfbDesktop>();
  desktop->StartWindowManager({"env", "HOME=" + desktop->Home(), "dbus-run-session", "--", "kwin_x11", "--replace"},
                              true);
  desktop->StartBusyTerminal();
  return desktop;
}

std::unique_ptr<Desktop> I3() {
  // No bar and no first-start wizard.
  auto desktop = std::make_unique<XvfbDesktop>();
  const std::string config = desktop->Home() + "/i3.config";
  WriteFile(config, "# i3 config file (v4)\nfont pango:monospace 8\nfocus_follows_mouse no\n");
  desktop->StartWindowManager({"i3", "-c", config});
  return desktop;
}

// Xfwm4 compositing over a busy terminal, its settings behind a session bus of its own.
std::unique_ptr<Desktop> Xfwm4() {
  auto desktop = std::make_unique<XvfbDesktop>();
  const std::string bus = "DBUS_SESSION_BUS_ADDRESS=" + desktop->StartSessionBus();
  const std::string home = "HOME=" + desktop->Home();
  desktop->StartWindowManager({"env", bus, home, "xfwm4", "--compositor=on"}, true);
  desktop->StartBusyTerminal();
  desktop->SwitchCompositingWith({"env", bus, home, "xfconf-query", "-c", "xfwm4", "-p", "/general/use_compositing",
                                  "--create", "-t", "bool", "-s"});
  return desktop;
}

std::string Announcer() { return tools::WaylandCompositor::Announcer(waylandFiles); }

// Mutter or KWin, which run the announcer as their session's one program and end with it.
std::unique_ptr<Desktop> Wayland(const std::vector<std::string>& command, unsigned seen) {
  return std::make_unique<WaylandDesktop>(
      std::make_unique<tools::WaylandCompositor>(compositorUser, waylandFiles, command, std::vector<std::string>{}),
      seen, true);
}

std::string ScreenSize() { return std::to_string(screenWidth) + "x" + std::to_string(screenHeight); }

const std::vector<std::string> picom = {"picom", "--backend", "xrender", "--config", "/dev/null"};

struct DesktopEntry {
  DesktopKind kind;
  std::function<std::unique_ptr<Desktop>()> start;
};

const std::vector<DesktopEntry>& Desktops() {
  static const std::vector<DesktopEntry> desktops = {
      {{"openbox", captures | clicks}, [] { return WithWindowManager({"openbox"}); }},
      {{"fluxbox", captures | clicks}, Fluxbox},
      {{"i3", captures | clicks}, I3},
      {{"mutter", captures | clicks},
       [] { return CompositingOverBusyTerminal({"dbus-run-session", "--", "mutter", "--x11", "--replace"}); }},
      {{"kwin_x11", captures | clicks}, KwinX11},
      {{"picom", switchesCompositing | captures | clicks}, [] { return OverBusyTerminal(picom); }},
      {{"xcompmgr", switchesCompositing | captures | clicks}, [] { return OverBusyTerminal({"xcompmgr", "-c"}); }},
      {{"xfwm4", switchesCompositing | captures | clicks}, Xfwm4},
      {{"xorg", captures | resizes | clicks}, [] { return std::make_unique<XvfbDesktop>(true); }},
      {{"xorg_picom", switchesCompositing | captures | resizes | clicks}, [] { return OverBusyTerminal(picom, true); }},
      // The programs given XWayland's display alone.
      {{"sway", privateNamespaces | captures}, [] { return std::make_unique<SwayDesktop>("force", seesX, true); }},
      // No X server at all.
      {{"sway_native", privateNamespaces | captures | resizes | changesOutputs | clicks | killed},
       [] { return std::make_unique<NativeSway>("disable", seesWayland); }},
      // Given both displays, the programs take sway's own.
      {{"sway_choice", privateNamespaces | captures},
       [] { return std::make_unique<NativeSway>("force", seesX | seesWayland); }},
      // Given both displays, the programs take XWayland's: mutter offers no layer shell.
      {{"mutter_wayland", privateNamespaces},
       [] {
         return Wayland({"dbus-run-session", "--", "mutter", "--wayland", "--headless", "--virtual-monitor",
                         ScreenSize(), "--", Announcer(), "sleep", "infinity"},
                        seesX | seesWayland);
       }},
      {{"kwin_wayland", privateNamespaces},
       [] {
         // A copy: the installed one has a file capability that the test's bounding set may lack, which makes its
         // exec fail; KWin finds its own platform plugin only under its own name. It splits an application's
         // arguments from its one string.
         const std::string kwin = MakeDirectory(waylandFiles, 0755) + "/kwin_wayland";
         Process({"cp", "/usr/bin/kwin_wayland", kwin}).WaitForExit(30s);
         return Wayland({"dbus-run-session", "--", kwin, "--virtual", "--xwayland", "--width",
                         std::to_string(screenWidth), "--height", std::to_string(screenHeight),
                         Announcer() + " sleep infinity"},
                        seesX);
       }},
  };
  return desktops;
}

const DesktopEntry& EntryOf(const std::string& name) {
  for (const DesktopEntry& entry : Desktops()) {
    if (entry.kind.name == name) {
      return entry;
    }
  }
  throw std::invalid_argument("no desktop " + name);
}

}  // namespace

void Desktop::SetCompositing(bool) { throw std::logic_error("no compositor to switch here"); }
void Desktop::Resize(int, int) { throw std::logic_error("the screen keeps its size here"); }
void Desktop::AddOutput(int, int) { throw std::logic_error("no output can be added here"); }
void Desktop::SetScale(int) { throw std::logic_error("the outputs keep their scale here"); }
void Desktop::Kill() { throw std::logic_error("the server is not killed here"); }

const std::vector<DesktopKind>& DesktopKinds() {
  static const std::vector<DesktopKind> kinds = [] {
    std::vector<DesktopKind> all;
    for (const DesktopEntry& entry : Desktops()) {
      all.push_back(entry.kind);
    }
    return all;
  }();
  return kinds;
}

std::string ColorName(std::uint32_t rgb) {
  char name[8];
  std::snprintf(name, sizeof name, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
  return name;
}

const DesktopKind& KindOf(const std::string& name) { return EntryOf(name).kind; }

std::unique_ptr<Desktop> StartDesktop(const std::string& name) { return EntryOf(name).start(); }

void EnterPrivateNamespaces(const std::string& keep) {
  // A folder to keep that lies in /tmp is mounted again at its place in the new one.
  const int kept = open(keep.c_str(), O_PATH | O_DIRECTORY);
  if (kept < 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", "/tmp", "tmpfs", 0, "mode=1777") != 0) {
    throw std::runtime_error("cannot make a /tmp of our own");
  }
  if (keep.rfind("/tmp/", 0) == 0) {
    for (std::size_t slash = keep.find('/', 5); slash != std::string::npos; slash = keep.find('/', slash + 1)) {
      mkdir(keep.substr(0, slash).c_str(), 0755);
    }
    mkdir(keep.c_str(), 0755);
    if (mount(("/proc/self/fd/" + std::to_string(kept)).c_str(), keep.c_str(), nullptr, MS_BIND | MS_REC, nullptr) !=
        0) {
      throw std::runtime_error("cannot keep " + keep);
    }
  }
  close(kept);
  MakeDirectory("/tmp/.X11-unix", 01777);
}
