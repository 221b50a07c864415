// The soak build's pause: returns at once, and says every 10,000 frames how
// many have been drawn, so a test can run the programs through many frames.
#include <cstdio>

#include "platform/platform.h"

void WINAPI Sleep(DWORD) {
  static unsigned long frames;
  if (++frames % 10000 == 0) {
    std::printf("frames %lu\n", frames);
    std::fflush(stdout);
  }
}
