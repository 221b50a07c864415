// The desktops the programs are tried on: a display of its own with a
// window manager, a compositor or both, started, bounded by the test's
// life, and ready; and what its screen really shows.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/desktop.h"
#include "tools/screen.h"
#include "tools/xvfb.h"

// A window of the program as the desktop shows it: an X window, or a view
// of a Wayland compositor's tree; 0 for none.
using View = unsigned long;

class Desktop {
 public:
  virtual ~Desktop() = default;
  // What the screen shows: where a compositor runs, its output, not the root
  // window; in the pixels of its most scaled output. An empty screenshot
  // where nothing here can read the screen.
  virtual tools::Screenshot Capture() = 0;
  // Switches compositing on or off as a user would: picom started or ended,
  // or the window manager's own compositor switched in its settings.
  virtual void SetCompositing(bool on);
  // Gives the screen a new size as a user would, with xrandr or the
  // compositor's output settings; once the server has it.
  virtual void Resize(int width, int height);
  // Adds an output of that size to the right of the desktop.
  virtual void AddOutput(int width, int height);
  // Gives the first output that scale, keeping its size in the desktop.
  virtual void SetScale(int scale);
  // Ends the display server at once, as a crash would.
  virtual void Kill();

  // The program driven and watched as a user would, through X or through
  // the compositor. A window of that title, and of that class (X; of none
  // if none is given) or app id (Wayland; of any if none is given), other
  // than `besides`, once it shows, within the bound; 0 if none does.
  virtual View WaitForView(const char* title, const char* appId, std::chrono::milliseconds limit,
                           View besides = 0) = 0;
  virtual bool WaitForFocus(View view, std::chrono::milliseconds limit) = 0;
  // Where it shows in the desktop's coordinates.
  virtual tools::Rectangle Where(View view) = 0;
  // Presses and releases the key on the keyboard.
  virtual void TypeKey(unsigned long keysym) = 0;
  // Clicks the first mouse button at that point of the desktop.
  virtual void ClickAt(int x, int y) = 0;
  // Another client destroys the X window; a Wayland compositor, which alone
  // can, asks the program to close it.
  virtual void CloseFromOutside(View view) = 0;
};

// Each desktop's screen: the test screen.
constexpr int screenWidth = tools::testScreenWidth;
constexpr int screenHeight = tools::testScreenHeight;

// The busy terminal that some desktops show under the figure: its title and the background it paints.
constexpr const char* terminalTitle = "busy";
constexpr std::uint32_t terminalBackground = 0x203040;

// A colour as X names it: #RRGGBB.
std::string ColorName(std::uint32_t rgb);

// What a desktop lets a test do.
enum Feature : unsigned {
  // It runs inside private namespaces of its own, which the test process must enter first (see
  // EnterPrivateNamespaces).
  privateNamespaces = 1 << 0,
  switchesCompositing = 1 << 1,
  // Capture reads its screen.
  captures = 1 << 2,
  resizes = 1 << 3,
  // AddOutput and SetScale work on it.
  changesOutputs = 1 << 4,
  // A click on the program's window is tried.
  clicks = 1 << 5,
  // Its server is killed under the program.
  killed = 1 << 6,
};

struct DesktopKind {
  std::string name;
  unsigned features;

  bool Has(Feature feature) const { return (features & feature) != 0; }
};

// The desktops, in the order of their tests.
const std::vector<DesktopKind>& DesktopKinds();
const DesktopKind& KindOf(const std::string& name);

// Starts the desktop of that name; the programs started then show on it.
std::unique_ptr<Desktop> StartDesktop(const std::string& name);

// Gives the process, once re-executed in namespaces of its own, a /tmp of
// its own, so that a Wayland compositor's X display collides with nothing;
// the folder to keep (the programs' own) stays where it was.
void EnterPrivateNamespaces(const std::string& keep);
