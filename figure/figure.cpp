#include "figure/figure.h"

#include <cstddef>
#include <cstring>

// StepFigure walks the points by byte offset: point i's x and y must be coordinates 2i and 2i + 1.
static_assert(sizeof(REAL) == sizeof(std::uint32_t) && offsetof(GpPointF, Y) == sizeof(REAL) &&
                  sizeof(figurePoints) == 36 * sizeof(REAL),
              "one contiguous run of 36 float32 values, each point's x before its y");

GpPointF figurePoints[figurePointCount] = {
    {500.0f, 240.0f},
    {300.0f, 280.0f},
    {400.0f, 320.0f},
    {250.0f, 360.0f},
    {290.0f, 395.7264f},
    {300.0f, 313.56235f},
    {310.0f, 380.23608f},
    {320.0f, 383.20566f},
    {330.0f, 347.40805f},
    {340.0f, 379.0665f},
    {350.0f, 496.48825f},
    {360.0f, 495.76382f},
    {370.0f, 530.9416f},
    {380.0f, 312.15582f},
    {390.0f, 606.7622f},
    {400.0f, 255.89514f},
    {410.0f, 430.64178f},
    {420.0f, 217.4447f},
};

std::uint32_t swapCursor = 0;

void StepFigure() {
  constexpr std::uint32_t lastPairOffset = 34 * sizeof(std::uint32_t);
  if (swapCursor >= lastPairOffset) {
    swapCursor = 0;
  } else {
    swapCursor += sizeof(std::uint32_t);
  }
  // Move the bit patterns as they are: no float arithmetic touches them.
  unsigned char* pair = reinterpret_cast<unsigned char*>(figurePoints) + swapCursor;
  std::uint32_t first;
  std::uint32_t second;
  std::memcpy(&first, pair, sizeof first);
  std::memcpy(&second, pair + sizeof first, sizeof second);
  std::memcpy(pair, &second, sizeof second);
  std::memcpy(pair + sizeof first, &first, sizeof first);
}
