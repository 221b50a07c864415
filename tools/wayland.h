// Wayland compositors of our own: one run as an unprivileged user (sway
// refuses root), ready once it has announced its displays; and sway, headless,
// driven as a user would through its IPC and the protocols it offers: its
// views, keys typed on a virtual keyboard, clicks of its seat's cursor, its
// outputs added and configured, and its screen read with grim.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tools/desktop.h"
#include "tools/process.h"
#include "tools/screen.h"

namespace tools {

class WaylandCompositor {
 public:
  // The script that the command given below must run once the compositor accepts clients: it writes the
  // displays down, then runs what follows it, if anything (mutter and KWin end with the program they start).
  static std::string Announcer(const std::string& folder);

  // Runs the command as `user` in `folder` (created, with a home and a runtime folder in it), with no
  // environment but PATH, HOME, XDG_RUNTIME_DIR and `environment`; throws if it announces nothing within 120 s.
  WaylandCompositor(const std::string& user, const std::string& folder, const std::vector<std::string>& command,
                    const std::vector<std::string>& environment);
  virtual ~WaylandCompositor();

  // The command run as a client of the compositor: with XDG_RUNTIME_DIR and WAYLAND_DISPLAY naming it.
  std::vector<std::string> Client(const std::vector<std::string>& command) const;

  // The compositor's own process, which runuser started.
  pid_t Pid() const;
  // Ends the compositor at once, as a crash would.
  void Kill() { compositor_.reset(); }

  const std::string runtime;
  // As the compositor announced them; empty where it has no XWayland, or is not sway.
  std::string wayland;
  std::string display;
  std::string xauthority;
  std::string swaySocket;

 private:
  std::unique_ptr<Process> compositor_;
};

// A window as sway's tree shows it; id 0 for none.
struct SwayView {
  long id = 0;
  std::string name;
  std::string appId;
  // "xdg_shell" or "xwayland".
  std::string shell;
  bool focused = false;
  // In the desktop's coordinates, title bar and border included.
  Rectangle rect{};
};

class Sway : public WaylandCompositor {
 public:
  // Sway on one headless output of that size, with these further lines of configuration (`xwayland
  // disable`, say), drawn by pixman, with a virtual keyboard from the start, as a desktop has a keyboard.
  Sway(const std::string& user, const std::string& folder, int width, int height,
       const std::vector<std::string>& config);

  // Runs a sway command (`output HEADLESS-1 scale 2`); throws if sway refuses it.
  void Command(const std::string& command);
  std::vector<SwayView> Views();
  // A native (xdg-shell) view of that title, and of that app id if one is given, other than `besides`, once
  // it shows within `limit`; id 0 if none does.
  SwayView WaitForView(const std::string& title, const char* appId, std::chrono::milliseconds limit,
                       long besides = 0);
  // The view as the tree shows it now; id 0 if it is gone.
  SwayView Find(long id);
  bool WaitForFocus(long id, std::chrono::milliseconds limit);
  // The outputs' names, in the order sway lists them.
  std::vector<std::string> Outputs();

  // Types the key, named as xkbcommon names keysyms ("Return"), on a virtual keyboard.
  void TypeKey(const std::string& name);
  // Clicks the first button of the seat's cursor at that point of the desktop.
  void ClickAt(int x, int y);
  // The whole desktop as grim reads it, in the pixels of its most scaled output; empty if it cannot.
  Screenshot Capture();

 private:
  // A message to sway: its answer.
  std::string Ask(const std::string& type, const std::string& payload);

  const std::string screenshot_;
  std::unique_ptr<Process> keyboard_;
};

}  // namespace tools
