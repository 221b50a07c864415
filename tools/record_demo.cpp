// Records a program on the X display it runs on: its notice, then, once the
// notice is dismissed, its frames, four pictures a second for as long as
// asked, into an animated GIF; then ends it with a key release and prints the
// picture's path. Meant for a virtual X server of its own (virtual_screen):
// it types keys on the display it records.
//
//   record_demo PROGRAM SECONDS [OUTPUT.gif]      (by default build/PROGRAM-demo.gif)
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "shell/shell.h"
#include "tools/desktop.h"
#include "tools/process.h"
#include "tools/screen.h"
#include "tools/wait.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr auto pictureInterval = 250ms;
constexpr std::uint32_t black = 0x000000;

std::string Record(Display* display, const std::string& program, int seconds, const fs::path& output) {
  const fs::path work = fs::temp_directory_path() / ("record_demo-" + std::to_string(getpid()));
  fs::create_directories(work);
  std::vector<std::string> convert = {"convert", "-delay", "25", "-loop", "0"};
  const auto keep = [&](const tools::Screenshot& shot) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%03zu.ppm", convert.size() - 5);
    convert.push_back(work / name);
    if (!tools::WritePpm(shot, convert.back())) {
      throw std::runtime_error("cannot write " + convert.back());
    }
  };
  try {
    tools::Process run({program});
    // The notice's text is black on white: it shows once the notice has been drawn.
    const Window notice = tools::WaitForWindow(display, appName, nullptr, 30s);
    tools::Screenshot shot;
    if (notice == None || !tools::WaitUntil(
                              [&] {
                                const tools::Rectangle box = tools::OnScreen(display, notice);
                                shot = tools::CaptureScreen(display);
                                return shot.Count(black, box.x, box.y, box.width, box.height) > 0;
                              },
                              30s)) {
      throw std::runtime_error("no notice drawn; " + run.Stderr());
    }
    keep(shot);
    if (tools::DismissNotice(display, 30s) == None) {
      throw std::runtime_error("the notice did not give way to the main window; " + run.Stderr());
    }
    // Pictures at a steady pace, whatever each takes.
    auto next = std::chrono::steady_clock::now();
    for (int picture = 0; picture < seconds * 4; ++picture) {
      next += pictureInterval;
      std::this_thread::sleep_until(next);
      keep(tools::CaptureScreen(display));
    }
    tools::TypeKey(display, XK_Escape);
    const std::optional<int> code = run.WaitForExit(30s);
    if (code != 0) {
      throw std::runtime_error(program + " did not end with 0 on a key release; " + run.Stderr());
    }
    fs::create_directories(output.parent_path());
    convert.push_back(output);
    tools::Process gif(convert);
    if (gif.WaitForExit(300s) != 0) {
      throw std::runtime_error("convert failed: " + gif.Stderr());
    }
  } catch (...) {
    fs::remove_all(work);
    throw;
  }
  fs::remove_all(work);
  return output;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 0;
  if (argc < 3 || argc > 4 || seconds <= 0) {
    std::fprintf(stderr, "usage: %s PROGRAM SECONDS [OUTPUT.gif]\n", argv[0]);
    return 2;
  }
  const std::string program = argv[1];
  const fs::path output = fs::absolute(
      argc > 3 ? fs::path(argv[3]) : fs::path("build") / (fs::path(program).filename().string() + "-demo.gif"));
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "%s: cannot open the X display\n", argv[0]);
    return 1;
  }
  try {
    std::printf("%s\n", Record(display, program, seconds, output).c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
    XCloseDisplay(display);
    return 1;
  }
  XCloseDisplay(display);
  return 0;
}
