#include "figure/figure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "tools/figure_frames.h"

namespace {

using Coordinates = std::array<std::uint32_t, 36>;

Coordinates Bits() {
  Coordinates bits;
  std::memcpy(bits.data(), figurePoints, sizeof figurePoints);
  return bits;
}

std::uint32_t BitsOf(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float ValueOf(std::uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Taken before any test runs: the table and cursor as loaded.
const Coordinates loadedTable = Bits();
const std::uint32_t loadedCursor = swapCursor;

class FigureTest : public testing::Test {
 protected:
  void SetUp() override { tools::RestoreLoadedFigure(); }
};

TEST_F(FigureTest, TableHoldsTheExactFloat32Patterns) {
  const Coordinates expected = {
      BitsOf(500), BitsOf(240), BitsOf(300), BitsOf(280), BitsOf(400), BitsOf(320), BitsOf(250), BitsOf(360),
      BitsOf(290), 0x43C5DCFB,  BitsOf(300), 0x439CC7FB,  BitsOf(310), 0x43BE1E38,  BitsOf(320), 0x43BF9A53,
      BitsOf(330), 0x43ADB43B,  BitsOf(340), 0x43BD8883,  BitsOf(350), 0x43F83E7F,  BitsOf(360), 0x43F7E1C5,
      BitsOf(370), 0x4404BC43,  BitsOf(380), 0x439C13F2,  BitsOf(390), 0x4417B0C8,  BitsOf(400), 0x437FE528,
      BitsOf(410), 0x43D75226,  BitsOf(420), 0x435971D8,
  };
  EXPECT_EQ(loadedTable, expected);
  EXPECT_EQ(loadedCursor, 0u);
}

// The first 34 steps carry y0's value up the run to coordinate 35, each moving the coordinate it passes
// down one place; the 35th wraps the cursor and exchanges the first pair, x0 and y0's former place.
TEST_F(FigureTest, StepsCarryY0UpTheRunThenWrapToTheFirstPair) {
  const struct { int steps; std::uint32_t cursor; int y0At; bool firstPairExchanged; } table[] = {
      {1, 4, 2, false},
      {2, 8, 3, false},
      {34, 136, 35, false},
      {35, 0, 35, true},
  };
  int steps = 0;
  for (const auto& row : table) {
    SCOPED_TRACE(testing::Message() << "after step " << row.steps);
    for (; steps < row.steps; ++steps) {
      StepFigure();
    }
    Coordinates expected = loadedTable;
    std::rotate(expected.begin() + 1, expected.begin() + 2, expected.begin() + row.y0At + 1);
    if (row.firstPairExchanged) {
      std::swap(expected[0], expected[1]);
    }
    EXPECT_EQ(Bits(), expected);
    EXPECT_EQ(swapCursor, row.cursor);
  }
}

TEST_F(FigureTest, ValuesAreOnlyPermutedAndReturnHomeAfter36Cycles) {
  Coordinates sortedLoaded = loadedTable;
  std::sort(sortedLoaded.begin(), sortedLoaded.end());
  constexpr int period = 36 * 35;
  for (int step = 1; step <= period; ++step) {
    StepFigure();
    const Coordinates now = Bits();
    Coordinates sortedNow = now;
    std::sort(sortedNow.begin(), sortedNow.end());
    ASSERT_EQ(sortedNow, sortedLoaded) << "after step " << step;
    for (const std::uint32_t bits : now) {
      ASSERT_GE(ValueOf(bits), 217.4447f);
      ASSERT_LE(ValueOf(bits), 606.7622f);
    }
    if (step < period) {
      ASSERT_NE(now, loadedTable) << "back at the start after only " << step << " steps";
    }
  }
  EXPECT_EQ(Bits(), loadedTable);
  EXPECT_EQ(swapCursor, 0u);
}

}  // namespace
