// What the tests written in Python ask of the test support: a virtual X
// server, verdicts on screenshots and the golden list, one answer a line.
//
//   screen_check xvfb WIDTH HEIGHT              prints the display; the server lives until stdin closes
//   screen_check count SHOT COLOR [X Y W H]     pixels of the colour (0xRRGGBB) in the rectangle, or anywhere
//   screen_check figure SHOT FRAMES             magenta pixels, those on none of frames 1..FRAMES, and the
//                                               latest of those frames that shows in full (0 if none)
//   screen_check text SHOT X Y W H COLOR        what OCR reads there of text in the colour
//   screen_check golden LIST SECTION PROGRAM METER(0|1)
//                                               the section's calls: always|sometimes, name, arguments, tab-separated
//
// SHOT is an XWD file (xwd -root).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/golden.h"
#include "tools/figure_frames.h"
#include "tools/screen.h"
#include "tools/xvfb.h"

namespace {

int Number(const char* text) { return static_cast<int>(std::strtol(text, nullptr, 0)); }

tools::Screenshot Shot(const char* path) {
  tools::Screenshot shot = tools::ReadXwd(path);
  if (shot.width == 0) {
    std::fprintf(stderr, "screen_check: cannot read %s\n", path);
    std::exit(2);
  }
  return shot;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  const std::vector<const char*> a(argv + std::min(argc, 2), argv + argc);
  if (command == "xvfb" && a.size() == 2) {
    const tools::XvfbServer server(Number(a[0]), Number(a[1]));
    std::cout << server.Display() << std::endl;
    std::cin.ignore(std::numeric_limits<std::streamsize>::max());
    return 0;
  }
  if (command == "count" && (a.size() == 2 || a.size() == 6)) {
    const tools::Screenshot shot = Shot(a[0]);
    const std::uint32_t color = static_cast<std::uint32_t>(std::strtoul(a[1], nullptr, 0));
    std::cout << (a.size() == 6 ? shot.Count(color, Number(a[2]), Number(a[3]), Number(a[4]), Number(a[5]))
                                : shot.Count(color))
              << "\n";
    return 0;
  }
  if (command == "figure" && a.size() == 2) {
    const tools::Screenshot shot = Shot(a[0]);
    const std::vector<tools::Polyline> frames = tools::FigureFrames(Number(a[1]));
    int shown = static_cast<int>(frames.size());
    while (shown > 0 && !tools::ShowsPolyline(shot, frames[shown - 1])) {
      --shown;
    }
    std::cout << shot.Count(tools::magenta) << " " << tools::StrayPixels(shot, frames) << " " << shown
              << "\n";
    return 0;
  }
  if (command == "text" && a.size() == 6) {
    const tools::Screenshot shot = Shot(a[0]);
    std::cout << tools::ReadText(shot, Number(a[1]), Number(a[2]), Number(a[3]), Number(a[4]),
                                       static_cast<std::uint32_t>(std::strtoul(a[5], nullptr, 0)))
              << "\n";
    return 0;
  }
  if (command == "golden" && a.size() == 4) {
    for (const testsupport::GoldenCall& call :
         testsupport::ReadGoldenSection(a[0], a[1], a[2], std::string(a[3]) == "1")) {
      std::cout << (call.sometimes ? "sometimes" : "always");
      for (const std::string& part : testsupport::SplitCall(call.text)) {
        std::cout << "\t" << part;
      }
      std::cout << "\n";
    }
    return 0;
  }
  std::fprintf(stderr, "usage: see the head of screen_check.cpp\n");
  return 2;
}
