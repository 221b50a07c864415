// kernel32 and the user32 text formatter.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/platform.h"

extern "C" const char __executable_start;

HINSTANCE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  // Only the program's own module is known: its load address, as on Windows.
  if (moduleName != nullptr) {
    return nullptr;
  }
  return reinterpret_cast<HINSTANCE>(const_cast<char*>(&__executable_start));
}

DWORD WINAPI GetTickCount() {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const unsigned long long ms =
      static_cast<unsigned long long>(now.tv_sec) * 1000 + static_cast<unsigned long long>(now.tv_nsec) / 1000000;
  return static_cast<DWORD>(ms);
}

void WINAPI ExitProcess(UINT exitCode) { std::exit(static_cast<int>(exitCode)); }

INT WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  // wsprintfA never writes more than 1024 bytes, terminator included.
  constexpr std::size_t limit = 1024;
  va_list arguments;
  va_start(arguments, format);
  const int written = std::vsnprintf(buffer, limit, format, arguments);
  va_end(arguments);
  return written < static_cast<int>(limit) ? written : static_cast<int>(limit) - 1;
}
