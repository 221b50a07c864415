#include <cmath>

#include "render/render.h"

const REAL msToSeconds = 0.001f;
const REAL fpsStep = 1.0f;
REAL fpsLastReport;
REAL fpsFrames;
char fpsText[fpsTextSize];
WCHAR fpsTextW[fpsTextWSize];

void UpdateFps() {
  // The 32-bit tick count and the 24-bit factor multiply exactly in extended
  // precision, so the only rounding is the one to float32.
  const REAL now = static_cast<REAL>(static_cast<long double>(GetTickCount()) * msToSeconds);
  fpsFrames += fpsStep;
  if (now - fpsLastReport > fpsStep) {
    fpsLastReport = now;
    // lrint rounds in the default mode: to nearest, ties to even.
    const INT frames = static_cast<INT>(std::lrint(fpsFrames));
    wsprintfA(fpsText, "  FPS: %d       ", frames);
    fpsFrames = 0;
  }
}

void CopyFpsText() {
  int length = 0;
  while (length < fpsTextSize - 1 && fpsText[length] != '\0') {
    fpsTextW[length] = static_cast<unsigned char>(fpsText[length]);
    ++length;
  }
  fpsTextW[length] = 0;
  fpsTextW[length + 1] = 0;
}
