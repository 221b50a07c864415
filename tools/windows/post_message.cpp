// Windows helper that drives a program under Wine: posts one message to the
// first top-level window with a class and a title. Its exit codes are its own,
// unlike those Wine gives when it fails to run a program:
//   0 posted; 10 no such window; 11 the window's queue refused the message; 12 used wrongly.
//
//   post_message.exe CLASS|- TITLE|- MESSAGE [WPARAM]   (numbers in hex; - matches any)
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

enum ExitCode { posted = 0, noWindow = 10, refused = 11, usage = 12 };

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    return usage;
  }
  const auto orNull = [](const char* text) { return std::strcmp(text, "-") == 0 ? nullptr : text; };
  const HWND window = FindWindowA(orNull(argv[1]), orNull(argv[2]));
  if (window == nullptr) {
    return noWindow;
  }
  const UINT message = static_cast<UINT>(std::strtoul(argv[3], nullptr, 16));
  const WPARAM wParam = argc > 4 ? static_cast<WPARAM>(std::strtoull(argv[4], nullptr, 16)) : 0;
  return PostMessageA(window, message, wParam, 0) ? posted : refused;
}
