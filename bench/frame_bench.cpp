// One frame of a program as the renderer draws it over the X11 layer, the
// pause excepted, and a round trip so that the server's share is counted.
//
//   frame_bench_PROGRAM --screen=1920x1080 [benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "platform/core/session.h"
#include "platform/x11/session.h"
#include "render/render.h"
#include "tools/xvfb.h"

namespace {

Display* display;

void DrawFrames(benchmark::State& state) {
  for (auto _ : state) {
    DrawFrame();
    XSync(display, False);
  }
}

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
  const tools::XvfbServer server(width, height);
  benchmark::AddCustomContext("screen", std::to_string(width) + "x" + std::to_string(height));
  benchmark::RegisterBenchmark(PROGRAM "_frame", DrawFrames)->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  auto backend = std::make_unique<x11::Session>();
  display = backend->connection().display;
  core::Session session(std::move(backend));
  InitDrawing();
  benchmark::RunSpecifiedBenchmarks();
  ShutdownDrawing();
  benchmark::Shutdown();
}
