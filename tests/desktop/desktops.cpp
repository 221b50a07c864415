#include "desktops.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <thread>

#include "tests/support/desktop.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"

namespace {

using namespace std::chrono_literals;
using testsupport::Process;

constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;
// The unprivileged user a Wayland compositor runs as; the test command creates it.
constexpr const char* compositorUser = "overdraw-test";

void WaitFor(const std::function<bool()>& ready, std::chrono::seconds limit, const std::string& what) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!ready()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      throw std::runtime_error("gave up waiting for " + what);
    }
    std::this_thread::sleep_for(50ms);
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

bool CompositorRuns(Display* display) {
  const Atom selection = XInternAtom(display, "_NET_WM_CM_S0", False);
  return XGetSelectionOwner(display, selection) != None;
}

// An X desktop on a virtual X server whose framebuffer file shows what the screen shows.
class XvfbDesktop : public Desktop {
 public:
  XvfbDesktop()
      : framebuffers_(MakeTemporaryDirectory()),
        server_(screenWidth, screenHeight, 24, {"-fbdir", framebuffers_}),
        display_(XOpenDisplay(server_.Display().c_str())) {
    if (display_ == nullptr) {
      throw std::runtime_error("cannot open " + server_.Display());
    }
    // The pointer out of the way: the framebuffer shows it.
    XWarpPointer(display_, None, DefaultRootWindow(display_), 0, 0, 0, 0, screenWidth - 1, screenHeight - 1);
    XSync(display_, False);
  }
  ~XvfbDesktop() override {
    processes_.clear();
    XCloseDisplay(display_);
    unlink((framebuffers_ + "/Xvfb_screen0").c_str());
    rmdir(framebuffers_.c_str());
  }

  testsupport::Screenshot Capture() override { return testsupport::ReadXwd(framebuffers_ + "/Xvfb_screen0"); }

  void SetCompositing(bool on) override {
    if (!on) {
      compositor_.reset();
      WaitFor([this] { return !CompositorRuns(display_); }, 10s, "the compositor to stop");
      return;
    }
    const testsupport::Screenshot before = Capture();
    compositor_ = std::make_unique<Process>(compositorCommand_);
    AwaitCompositor(before);
  }

  // A compositor owns its selection before it redirects windows and paints: it is ready once it has
  // painted the screen anew, or, on a screen that looks the same composited, after a while.
  void AwaitCompositor(const testsupport::Screenshot& before) {
    WaitFor([this] { return CompositorRuns(display_); }, 30s, "the compositor");
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (Capture().pixels == before.pixels && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(50ms);
    }
    std::this_thread::sleep_for(300ms);
  }

  // A window manager, which may be a compositing one too.
  void StartWindowManager(const std::vector<std::string>& command, bool composites = false) {
    const testsupport::Screenshot before = Capture();
    processes_.push_back(std::make_unique<Process>(command));
    WaitFor([this] { return testsupport::WindowManagerRuns(display_); }, 30s, "the window manager");
    if (composites) {
      AwaitCompositor(before);
    }
    // Managers take a moment after announcing themselves before they manage new windows.
    std::this_thread::sleep_for(300ms);
  }

  // A terminal under the figure, printing ten lines a second.
  void StartBusyTerminal() {
    processes_.push_back(std::make_unique<Process>(std::vector<std::string>{
        "xterm", "-fa", "Monospace", "-fs", "10", "-geometry", "60x12+200+260", "-bg", "#203040", "-fg", "#c0c0c0", "-title", "busy", "-e",
        "sh", "-c", "i=0; while :; do i=$((i+1)); echo line $i of a busy terminal; sleep 0.1; done"}));
    WaitFor([this] { return testsupport::FindViewableWindow(display_, "busy", "XTerm") != None; }, 30s,
            "the terminal");
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

  std::string framebuffers_;
  testsupport::XvfbServer server_;
  Display* display_;
  std::string home_;
  std::vector<std::unique_ptr<Process>> processes_;
  std::vector<std::string> compositorCommand_ = {"picom", "--backend", "xrender", "--config", "/dev/null"};
  std::unique_ptr<Process> compositor_;
};

// Sway, headless, with XWayland: run as an unprivileged user, since it refuses root, in the private namespaces
// the test process entered; what it starts ends with the process namespace, when the test ends.
class SwayDesktop : public Desktop {
 public:
  SwayDesktop() {
    const std::string base = MakeDirectory("/tmp/sway", 0755);
    runtime_ = MakeDirectory(base + "/runtime", 0700);
    const std::string home = MakeDirectory(base + "/home", 0700);
    const std::string announced = MakeDirectory(base + "/announced", 0777) + "/environment";
    const std::string config = base + "/config";
    WriteFile(config, "xwayland force\n"
                      "output HEADLESS-1 resolution " + std::to_string(screenWidth) + "x" +
                          std::to_string(screenHeight) + " position 0 0\n"
                          "exec sh -c 'echo $WAYLAND_DISPLAY $DISPLAY > " + announced + "'\n");
    for (const std::string& path : {runtime_, home}) {
      Run({"chown", std::string(compositorUser) + ":", path});
    }
    sway_ = std::make_unique<Process>(std::vector<std::string>{
        "runuser", "-u", compositorUser, "--", "env", "-i", "HOME=" + home, "PATH=/usr/bin:/bin",
        "XDG_RUNTIME_DIR=" + runtime_, "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
        "WLR_RENDERER=pixman", "sway", "-c", config});
    WaitFor([&] { return static_cast<bool>(std::ifstream(announced) >> wayland_ >> display_); }, 30s, "sway to announce its displays");
    // XWayland lets in its own user only.
    WaitFor(
        [&] {
          return Process({"runuser", "-u", compositorUser, "--", "env", "DISPLAY=" + display_, "xhost",
                          "+si:localuser:root"})
                     .WaitForExit(10s) == 0;
        },
        30s, "XWayland to let root in");
    setenv("DISPLAY", display_.c_str(), 1);
  }

  testsupport::Screenshot Capture() override {
    const std::string path = "/tmp/sway/screen.ppm";
    Process grim({"env", "XDG_RUNTIME_DIR=" + runtime_, "WAYLAND_DISPLAY=" + wayland_, "grim", "-t", "ppm", path});
    grim.WaitForExit(30s);
    return testsupport::ReadPpm(path);
  }

  void SetCompositing(bool) override { throw std::logic_error("sway always composites"); }

 private:
  static void Run(const std::vector<std::string>& command) { Process(command).WaitForExit(30s); }

  std::string runtime_;
  std::string wayland_;
  std::string display_;
  std::unique_ptr<Process> sway_;
};

}  // namespace

const std::vector<std::string>& DesktopNames() {
  static const std::vector<std::string> names = {"openbox", "fluxbox", "i3", "mutter", "picom", "sway"};
  return names;
}

bool NeedsPrivateNamespaces(const std::string& name) { return name == "sway"; }

std::unique_ptr<Desktop> StartDesktop(const std::string& name) {
  if (name == "sway") {
    return std::make_unique<SwayDesktop>();
  }
  auto desktop = std::make_unique<XvfbDesktop>();
  if (name == "openbox") {
    desktop->StartWindowManager({"openbox"});
  } else if (name == "fluxbox") {
    // Without a wallpaper and a toolbar, and without asking on first start.
    const std::string home = desktop->Home();
    MakeDirectory(home + "/.fluxbox", 0755);
    WriteFile(home + "/.fluxbox/init", "session.configVersion: 13\n"
                                       "session.screen0.toolbar.visible: false\n"
                                       "session.screen0.workspaces: 1\n");
    WriteFile(home + "/.fluxbox/overlay", "background: none\n");
    WriteFile(home + "/.fluxbox/apps", "");
    WriteFile(home + "/.fluxbox/startup", "");
    desktop->StartWindowManager({"env", "HOME=" + home, "fluxbox"});
  } else if (name == "i3") {
    // No bar and no first-start wizard.
    const std::string config = desktop->Home() + "/i3.config";
    WriteFile(config, "# i3 config file (v4)\nfont pango:monospace 8\nfocus_follows_mouse no\n");
    desktop->StartWindowManager({"i3", "-c", config});
  } else if (name == "mutter") {
    desktop->StartWindowManager({"dbus-run-session", "--", "mutter", "--x11", "--replace"}, true);
  } else if (name == "picom") {
    desktop->StartWindowManager({"openbox"});
    desktop->StartBusyTerminal();
    desktop->SetCompositing(true);
  } else {
    throw std::invalid_argument("no desktop " + name);
  }
  return desktop;
}

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
