#include "figure/figure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

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
  void SetUp() override {
    std::memcpy(figurePoints, loadedTable.data(), sizeof figurePoints);
    swapCursor = loadedCursor;
  }

  static void Step(int times) {
    for (int i = 0; i < times; ++i) {
      StepFigure();
    }
  }
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
  EXPECT_EQ(ValueOf(0x43C5DCFB), 395.7264f);
  EXPECT_EQ(ValueOf(0x435971D8), 217.4447f);
  EXPECT_EQ(reinterpret_cast<const void*>(&figurePoints[17].Y),
            reinterpret_cast<const char*>(figurePoints) + 35 * sizeof(float));
}

TEST_F(FigureTest, FirstStepExchangesY0AndX1) {
  Step(1);
  EXPECT_EQ(swapCursor, 4u);
  EXPECT_EQ(figurePoints[0].X, 500.0f);
  EXPECT_EQ(figurePoints[0].Y, 300.0f);
  EXPECT_EQ(figurePoints[1].X, 240.0f);
  EXPECT_EQ(figurePoints[1].Y, 280.0f);
  Coordinates expected = loadedTable;
  std::swap(expected[1], expected[2]);
  EXPECT_EQ(Bits(), expected);
}

TEST_F(FigureTest, CursorWrapsAfterTheLastPairAndExchangesTheFirstPair) {
  Step(34);
  EXPECT_EQ(swapCursor, 136u);
  const Coordinates before = Bits();
  Step(1);
  EXPECT_EQ(swapCursor, 0u);
  Coordinates expected = before;
  std::swap(expected[0], expected[1]);
  EXPECT_EQ(Bits(), expected);
}

TEST_F(FigureTest, AFullCycleRotatesTheRun) {
  Step(35);
  const Coordinates now = Bits();
  for (int c = 2; c <= 34; ++c) {
    EXPECT_EQ(now[c], loadedTable[c + 1]) << "coordinate " << c;
  }
  EXPECT_EQ(now[0], loadedTable[2]);
  EXPECT_EQ(now[1], loadedTable[0]);
  EXPECT_EQ(now[35], loadedTable[1]);
  EXPECT_EQ(figurePoints[0].X, 300.0f);
  EXPECT_EQ(figurePoints[0].Y, 500.0f);
  EXPECT_EQ(figurePoints[1].X, 280.0f);
  EXPECT_EQ(figurePoints[1].Y, 400.0f);
  EXPECT_EQ(figurePoints[2].X, 320.0f);
  EXPECT_EQ(figurePoints[2].Y, 250.0f);
  EXPECT_EQ(figurePoints[17].X, 217.4447f);
  EXPECT_EQ(figurePoints[17].Y, 240.0f);
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
