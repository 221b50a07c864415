// Puts the program's module-level state back to its load-time values
// between tests, names its addresses in recorded calls, and reads the golden
// list for this build of this program.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "figure/figure.h"
#include "render/render.h"
#include "shell/shell.h"
#include "tests/recording/recording.h"
#include "tests/support/golden.h"
#include "tools/figure_frames.h"

// The calls made in every occurrence of these sections, one section after the other.
inline std::vector<std::string> GoldenCalls(const std::vector<const char*>& sections) {
  std::vector<std::string> calls;
  for (const char* section : sections) {
    for (const testsupport::GoldenCall& call : testsupport::ReadGoldenSection(
             GOLDEN_CALLS, section, PROGRAM, FRAME_RATE_METER)) {
      if (!call.sometimes) {
        calls.push_back(call.text);
      }
    }
  }
  return calls;
}

class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    tools::RestoreLoadedFigure();
    hdcScreen = nullptr;
    gdipToken = 0;
    graphics = nullptr;
    pen = nullptr;
    brush = nullptr;
    std::memset(keysDown, 0, sizeof keysDown);
    fpsLastReport = 0;
    fpsFrames = 0;
    std::memset(fpsText, 0, sizeof fpsText);
    std::memset(fpsTextW, 0, sizeof fpsTextW);
    recording::Reset();
    recording::NameAddress(&gdipToken, "&gdipToken");
    recording::NameAddress(&startupInput, "&startupInput");
    recording::NameAddress(&graphics, "&graphics");
    recording::NameAddress(&pen, "&pen");
    recording::NameAddress(&brush, "&brush");
    recording::NameAddress(figurePoints, "figurePoints");
    recording::NameAddress(fpsText, "fpsText");
    recording::NameAddress(fpsTextW, "fpsTextW");
    // Only a build with the meter has its font.
    if constexpr (FRAME_RATE_METER) {
      fontFamily = nullptr;
      font = nullptr;
      recording::NameAddress(fpsFontName, "fpsFontName");
      recording::NameAddress(&fpsTextRect, "&fpsTextRect");
      recording::NameAddress(&fontFamily, "&fontFamily");
      recording::NameAddress(&font, "&font");
    }
  }
};

