// The desktops the programs are tried on: a display of its own with a
// window manager, a compositor or both, started, bounded by the test's
// life, and ready; and what its screen really shows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/screen.h"
#include "tools/xvfb.h"

class Desktop {
 public:
  virtual ~Desktop() = default;
  // What the screen shows: where a compositor runs, its output, not the root
  // window. An empty screenshot where nothing here can read the screen.
  virtual tools::Screenshot Capture() = 0;
  // Switches compositing on or off as a user would: picom started or ended,
  // or the window manager's own compositor switched in its settings.
  virtual void SetCompositing(bool on) = 0;
  // Gives the screen a new size as a user would, with xrandr; once the server has it.
  virtual void Resize(int width, int height) = 0;
};

// Each desktop's screen: the test screen.
constexpr int screenWidth = tools::testScreenWidth;
constexpr int screenHeight = tools::testScreenHeight;

// The busy terminal that some desktops show under the figure: its title and the background it paints.
constexpr const char* terminalTitle = "busy";
constexpr std::uint32_t terminalBackground = 0x203040;

// A colour as X names it: #RRGGBB.
std::string ColorName(std::uint32_t rgb);

struct DesktopKind {
  std::string name;
  // Whether it runs inside private namespaces of its own, which the test process must enter first (see
  // EnterPrivateNamespaces).
  bool privateNamespaces;
  // Whether SetCompositing works on it.
  bool switchesCompositing;
  // Whether Capture reads its screen.
  bool captures;
  // Whether Resize works on it.
  bool resizes;
};

// The desktops, in the order of their tests.
const std::vector<DesktopKind>& DesktopKinds();
const DesktopKind& KindOf(const std::string& name);

// Starts the desktop of that name on a display that DISPLAY then names.
std::unique_ptr<Desktop> StartDesktop(const std::string& name);

// Gives the process, once re-executed in namespaces of its own, a /tmp of
// its own, so that a Wayland compositor's X display collides with nothing;
// the folder to keep (the programs' own) stays where it was.
void EnterPrivateNamespaces(const std::string& keep);
