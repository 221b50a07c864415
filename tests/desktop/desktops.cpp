#include "desktops.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xcomposite.h>

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

// An X desktop on a virtual X server whose framebuffer file shows what the screen shows, or on Xorg with the dummy
// driver, whose screen can change its size as a user asks it to.
class XvfbDesktop : public Desktop {
 public:
  explicit XvfbDesktop(bool resizable = false)
      : files_(MakeTemporaryDirectory()),
        resizable_(resizable),
        server_(resizable ? std::make_unique<tools::XServer>(std::vector<std::string>{
                                "Xorg", "-config", XORG_DUMMY_CONFIG, "-logfile", files_ + "/Xorg.log", "-noreset",
                                "-novtswitch", "-sharevts", "-nolisten", "tcp"})
                          : std::make_unique<tools::XvfbServer>(screenWidth, screenHeight, 24,
                                                                std::vector<std::string>{"-fbdir", files_})),
        display_(XOpenDisplay(server_->Display().c_str())) {
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
    XCloseDisplay(display_);
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
  Display* display_;
  std::string home_;
  std::vector<std::unique_ptr<Process>> processes_;
  std::unique_ptr<Process> compositor_;
  std::function<void(bool)> switchCompositing_ = [](bool) { throw std::logic_error("no compositor to switch"); };
};

// The folder of a Wayland desktop's files, in the private /tmp.
std::string WaylandPath(const std::string& name) { return MakeDirectory("/tmp/wayland", 0755) + "/" + name; }

// Run by a Wayland compositor once it is up, it writes the displays down.
const std::string& Announce() {
  static const std::string announce = WaylandPath("announce");
  return announce;
}

// How a Wayland compositor with XWayland is started, running Announce(), and whether grim reads its screen.
struct WaylandCompositor {
  std::vector<std::string> command;
  std::vector<std::string> environment;
  bool grim;
};

// A Wayland compositor with XWayland, run as an unprivileged user, since some refuse root, in the private
// namespaces the test process entered; what it starts ends with the process namespace, when the test ends.
class WaylandDesktop : public Desktop {
 public:
  explicit WaylandDesktop(const WaylandCompositor& compositor) : grim_(compositor.grim) {
    runtime_ = MakeDirectory(WaylandPath("runtime"), 0700);
    const std::string home = MakeDirectory(WaylandPath("home"), 0700);
    const std::string announced = MakeDirectory(WaylandPath("announced"), 0777) + "/environment";
    WriteFile(Announce(), "#!/bin/sh\nprintf '%s\\n' \"$WAYLAND_DISPLAY\" \"$DISPLAY\" \"$XAUTHORITY\" > " + announced +
                            ".new\nmv " + announced + ".new " + announced + "\nexec sleep infinity\n");
    chmod(Announce().c_str(), 0755);
    for (const std::string& path : {runtime_, home}) {
      Run({"chown", std::string(compositorUser) + ":", path});
    }
    std::vector<std::string> command = {"runuser", "-u", compositorUser, "--", "env", "-i", "HOME=" + home,
                                        "PATH=/usr/bin:/bin", "XDG_RUNTIME_DIR=" + runtime_};
    command.insert(command.end(), compositor.environment.begin(), compositor.environment.end());
    command.insert(command.end(), compositor.command.begin(), compositor.command.end());
    compositor_ = std::make_unique<Process>(command);
    WaitFor(
        [&] {
          std::ifstream file(announced);
          return std::getline(file, wayland_) && std::getline(file, display_) && std::getline(file, xauthority_);
        },
        120s, "the compositor to announce its displays");
    // XWayland lets in its own user only.
    WaitFor(
        [&] {
          return Process({"runuser", "-u", compositorUser, "--", "env", "DISPLAY=" + display_,
                          "XAUTHORITY=" + xauthority_, "xhost", "+si:localuser:root"})
                     .WaitForExit(10s) == 0;
        },
        120s, "XWayland to let root in");
    setenv("DISPLAY", display_.c_str(), 1);
  }

  tools::Screenshot Capture() override {
    if (!grim_) {
      return {};
    }
    const std::string path = WaylandPath("screen.ppm");
    Process grim({"env", "XDG_RUNTIME_DIR=" + runtime_, "WAYLAND_DISPLAY=" + wayland_, "grim", "-t", "ppm", path});
    grim.WaitForExit(30s);
    return tools::ReadPpm(path);
  }

  void SetCompositing(bool) override { throw std::logic_error("a Wayland compositor always composites"); }
  void Resize(int, int) override { throw std::logic_error("a headless Wayland output keeps its size"); }

 private:
  static void Run(const std::vector<std::string>& command) { Process(command).WaitForExit(30s); }

  bool grim_;
  std::string runtime_;
  std::string wayland_;
  std::string display_;
  std::string xauthority_;
  std::unique_ptr<Process> compositor_;
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

std::unique_ptr<Desktop> Wayland(const WaylandCompositor& compositor) {
  return std::make_unique<WaylandDesktop>(compositor);
}

std::string ScreenSize() { return std::to_string(screenWidth) + "x" + std::to_string(screenHeight); }

const std::vector<std::string> picom = {"picom", "--backend", "xrender", "--config", "/dev/null"};

struct DesktopEntry {
  DesktopKind kind;
  std::function<std::unique_ptr<Desktop>()> start;
};

const std::vector<DesktopEntry>& Desktops() {
  static const std::vector<DesktopEntry> desktops = {
      {{"openbox", false, false, true, false}, [] { return WithWindowManager({"openbox"}); }},
      {{"fluxbox", false, false, true, false}, Fluxbox},
      {{"i3", false, false, true, false}, I3},
      {{"mutter", false, false, true, false},
       [] { return CompositingOverBusyTerminal({"dbus-run-session", "--", "mutter", "--x11", "--replace"}); }},
      {{"kwin_x11", false, false, true, false}, KwinX11},
      {{"picom", false, true, true, false}, [] { return OverBusyTerminal(picom); }},
      {{"xcompmgr", false, true, true, false}, [] { return OverBusyTerminal({"xcompmgr", "-c"}); }},
      {{"xfwm4", false, true, true, false}, Xfwm4},
      {{"xorg", false, false, true, true}, [] { return std::make_unique<XvfbDesktop>(true); }},
      {{"xorg_picom", false, true, true, true}, [] { return OverBusyTerminal(picom, true); }},
      {{"sway", true, false, true, false},
       [] {
         const std::string config = WaylandPath("sway.config");
         WriteFile(config, "xwayland force\noutput HEADLESS-1 resolution " + ScreenSize() + " position 0 0\nexec " +
                               Announce() + "\n");
         return Wayland({{"sway", "-c", config},
                         {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman"},
                         true});
       }},
      {{"mutter_wayland", true, false, false, false},
       [] {
         return Wayland({{"dbus-run-session", "--", "mutter", "--wayland", "--headless", "--virtual-monitor",
                          ScreenSize(), "--", Announce()},
                         {},
                         false});
       }},
      {{"kwin_wayland", true, false, false, false},
       [] {
         // A copy: the installed one has a file capability that the test's bounding set may lack, which makes its
         // exec fail; KWin finds its own platform plugin only under its own name.
         const std::string kwin = MakeDirectory(WaylandPath("kwin"), 0755) + "/kwin_wayland";
         Process({"cp", "/usr/bin/kwin_wayland", kwin}).WaitForExit(30s);
         return Wayland({{"dbus-run-session", "--", kwin, "--virtual", "--xwayland", "--width",
                          std::to_string(screenWidth), "--height", std::to_string(screenHeight), Announce()},
                         {},
                         false});
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
