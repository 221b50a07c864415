// Windows helper that drives a program under Wine: posts one message to the
// first top-level window with a class and a title. Exits 0 if it found one,
// 1 if not.
//
//   post_message.exe CLASS|- TITLE|- MESSAGE [WPARAM]   (numbers in hex; - matches any)
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 4) {
    return 2;
  }
  const auto orNull = [](const char* text) { return std::strcmp(text, "-") == 0 ? nullptr : text; };
  const HWND window = FindWindowA(orNull(argv[1]), orNull(argv[2]));
  if (window == nullptr) {
    return 1;
  }
  const UINT message = static_cast<UINT>(std::strtoul(argv[3], nullptr, 16));
  const WPARAM wParam = argc > 4 ? static_cast<WPARAM>(std::strtoull(argv[4], nullptr, 16)) : 0;
  return PostMessageA(window, message, wParam, 0) ? 0 : 3;
}
