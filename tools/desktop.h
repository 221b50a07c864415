// Looking at and acting on the desktop of an X server as a user would.
#pragma once

#include <X11/Xlib.h>

#include <chrono>

namespace tools {

// A viewable window with that name and that class (with no class at all if
// none is given), at any depth
// below the root (a window manager frames what it manages); or None.
Window FindViewableWindow(Display* display, const char* name, const char* windowClass);

// Whether the window is a program's main window: one of the programs' window class.
bool IsMainWindow(Display* display, Window window);

// Waits up to `limit` for such a window.
Window WaitForWindow(Display* display, const char* name, const char* windowClass, std::chrono::milliseconds limit);

struct Rectangle {
  int x, y, width, height;
};

// Where the window lies on the screen, its border left out.
Rectangle OnScreen(Display* display, Window window);

// The window that has the keyboard.
Window Focus(Display* display);

// Whether the window takes the keyboard within `limit`.
bool WaitForFocus(Display* display, Window window, std::chrono::milliseconds limit);

// Waits for a program's notice, and for it to take the keyboard, dismisses
// it with Return and waits for the main window that then takes the
// keyboard; None if any of these does not come within `limit`.
Window DismissNotice(Display* display, std::chrono::milliseconds limit = std::chrono::seconds(20));

void PressKey(Display* display, unsigned long keysym);
void ReleaseKey(Display* display, unsigned long keysym);
void TypeKey(Display* display, unsigned long keysym);

// Clicks the first mouse button at a point of the window.
void ClickAt(Display* display, Window window, int x, int y);

// Asks the window to close, as a window manager's close button does.
void RequestClose(Display* display, Window window);

}  // namespace tools
