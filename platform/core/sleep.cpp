#include <cerrno>
#include <ctime>

#include "platform/platform.h"

void WINAPI Sleep(DWORD milliseconds) {
  timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000};
  while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR) {
  }
}
