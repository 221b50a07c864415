// One frame's drawing on the X11 layer, without the pause, as each program
// draws it: the step, (cleardraw) the clear, the pen set again, the
// polyline, and a round trip so the server's share is counted too.
//
//   frame_bench --screen=1920x1080 [benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "figure/figure.h"
#include "platform/platform.h"
#include "platform/x11/connection.h"
#include "tests/support/xvfb.h"

namespace {

struct Drawing {
  HDC dc = nullptr;
  ULONG_PTR token = 0;
  GpGraphics* graphics = nullptr;
  GpPen* pen = nullptr;
};

Drawing& TheDrawing() {
  static Drawing drawing = [] {
    Drawing d;
    const GdiplusStartupInput input{1, nullptr, 0, 0};
    d.dc = GetDC(nullptr);
    GdiplusStartup(&d.token, &input, nullptr);
    GdipCreateFromHDC(d.dc, &d.graphics);
    GdipCreatePen1(0xFFFF00FF, 1.2f, UnitPixel, &d.pen);
    GdipSetPenLineJoin(d.pen, LineJoinMiter);
    return d;
  }();
  return drawing;
}

void DrawOneFrame(benchmark::State& state, bool clear) {
  Drawing& d = TheDrawing();
  for (auto _ : state) {
    StepFigure();
    if (clear) {
      GdipGraphicsClear(d.graphics, 0xFFFFFFFF);
    }
    GdipSetPenColor(d.pen, 0xFFFF00FF);
    GdipSetPenWidth(d.pen, 1.2f);
    GdipDrawLines(d.graphics, d.pen, figurePoints, figurePointCount);
    XSync(x11::Connection(), False);
  }
}

void BM_OverdrawFrame(benchmark::State& state) { DrawOneFrame(state, false); }
void BM_CleardrawFrame(benchmark::State& state) { DrawOneFrame(state, true); }

BENCHMARK(BM_OverdrawFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CleardrawFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  int width = 1920;
  int height = 1080;
  for (int i = 1; i < argc; ++i) {
    if (std::sscanf(argv[i], "--screen=%dx%d", &width, &height) == 2) {
      argv[i] = argv[--argc];
      --i;
    }
  }
  const testsupport::XvfbServer server(width, height);
  benchmark::AddCustomContext("screen", std::to_string(width) + "x" + std::to_string(height));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
