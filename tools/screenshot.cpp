// Screenshots of the X server that DISPLAY names, and verdicts on them, one
// answer a line, for the Python that drives Windows programs under Wine.
//
//   screenshot size                          WIDTH HEIGHT of the screen
//   screenshot capture SHOT                  writes the screen as shown, child windows included
//   screenshot count SHOT COLOR [X Y W H]    pixels of the colour (0xRRGGBB) in the rectangle, or anywhere
//   screenshot figure SHOT FRAMES            magenta pixels, those on none of frames 1..FRAMES, and the
//                                            latest of those frames that shows in full (0 if none)
//   screenshot text SHOT X Y W H COLOR       what OCR reads there of text in the colour
//
// SHOT is a binary PPM file.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "tools/figure_frames.h"
#include "tools/screen.h"

namespace {

int Number(const char* text) { return static_cast<int>(std::strtol(text, nullptr, 0)); }
std::uint32_t Color(const char* text) { return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 0)); }

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "screenshot: %s\n", why.c_str());
  std::exit(2);
}

Display* Connect() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    Fail("cannot open the X display");
  }
  return display;
}

tools::Screenshot Shot(const char* path) {
  tools::Screenshot shot = tools::ReadPpm(path);
  if (shot.width == 0) {
    Fail(std::string("cannot read ") + path);
  }
  return shot;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  const std::vector<const char*> a(argv + std::min(argc, 2), argv + argc);
  if (command == "size" && a.empty()) {
    Display* display = Connect();
    std::cout << DisplayWidth(display, DefaultScreen(display)) << " " << DisplayHeight(display, DefaultScreen(display))
              << "\n";
    XCloseDisplay(display);
  } else if (command == "capture" && a.size() == 1) {
    Display* display = Connect();
    const bool written = tools::WritePpm(tools::CaptureScreen(display), a[0]);
    XCloseDisplay(display);
    if (!written) {
      Fail(std::string("cannot write ") + a[0]);
    }
  } else if (command == "count" && (a.size() == 2 || a.size() == 6)) {
    const tools::Screenshot shot = Shot(a[0]);
    std::cout << (a.size() == 6 ? shot.Count(Color(a[1]), Number(a[2]), Number(a[3]), Number(a[4]), Number(a[5]))
                                : shot.Count(Color(a[1])))
              << "\n";
  } else if (command == "figure" && a.size() == 2) {
    const tools::Screenshot shot = Shot(a[0]);
    const std::vector<tools::Polyline> frames = tools::FigureFrames(Number(a[1]));
    int shown = static_cast<int>(frames.size());
    while (shown > 0 && !tools::ShowsPolyline(shot, frames[shown - 1])) {
      --shown;
    }
    std::cout << shot.Count(tools::magenta) << " " << tools::StrayPixels(shot, frames) << " " << shown << "\n";
  } else if (command == "text" && a.size() == 6) {
    std::cout << tools::ReadText(Shot(a[0]), Number(a[1]), Number(a[2]), Number(a[3]), Number(a[4]), Color(a[5]))
              << "\n";
  } else {
    Fail("usage: see the head of screenshot.cpp");
  }
  return 0;
}
