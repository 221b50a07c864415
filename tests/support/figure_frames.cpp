// Prints the figure as each of the first N frames draws it, one frame a
// line of 36 coordinates (x0 y0 x1 y1 ...), for tests written in other
// languages to check a screen against.
//
//   figure_frames N
#include <cstdio>
#include <cstdlib>

#include "figure/figure.h"

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 0;
  for (int frame = 0; frame < frames; ++frame) {
    StepFigure();
    for (int i = 0; i < figurePointCount; ++i) {
      std::printf("%s%.9g %.9g", i == 0 ? "" : " ", figurePoints[i].X, figurePoints[i].Y);
    }
    std::printf("\n");
  }
}
