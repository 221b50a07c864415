// The desktops the programs are tried on: a display of its own with a
// window manager, a compositor or both, started, bounded by the test's
// life, and ready; and what its screen really shows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/screen.h"

class Desktop {
 public:
  virtual ~Desktop() = default;
  // What the screen shows: where a compositor runs, its output, not the root window.
  virtual testsupport::Screenshot Capture() = 0;
  // Starts or stops picom on a desktop that has no compositor of its own.
  virtual void SetCompositing(bool on) = 0;
};

// The names of the desktops, in the order of their tests.
const std::vector<std::string>& DesktopNames();

// Starts the desktop of that name on a display that DISPLAY then names.
std::unique_ptr<Desktop> StartDesktop(const std::string& name);

// Whether the desktop runs inside private namespaces of its own, which
// the test process must enter first (see EnterPrivateNamespaces).
bool NeedsPrivateNamespaces(const std::string& name);

// Gives the process, once re-executed in namespaces of its own, a /tmp of
// its own, so that a Wayland compositor's X display collides with nothing;
// the folder to keep (the programs' own) stays where it was.
void EnterPrivateNamespaces(const std::string& keep);
