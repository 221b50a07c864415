// The Wayland backend's strokes, rasterised by pixman as the backend does,
// into an image of their own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "figure/figure.h"
#include "platform/wayland/drawing.h"

namespace {

using wayland::Area;

// Which pixels a polyline sets on an image over the area at the scale.
class Stroked {
 public:
  Stroked(std::vector<GpPointF> points, double width, Area area, int scale = 1)
      : width_(area.Width() * scale), height_(area.Height() * scale), pixels_(width_ * height_) {
    wayland::Stroke(points.data(), static_cast<int>(points.size()), width, area, triangles_);
    pixman_image_t* image = pixman_image_create_bits(PIXMAN_a8r8g8b8, width_, height_, pixels_.data(), width_ * 4);
    const pixman_color_t magenta = wayland::PixmanColor(0xFFFF00FF);
    pixman_image_t* colour = pixman_image_create_solid_fill(&magenta);
    wayland::FillTriangles(image, triangles_, wayland::Point{static_cast<double>(area.x0), static_cast<double>(area.y0)},
                           scale, colour);
    pixman_image_unref(colour);
    pixman_image_unref(image);
  }

  bool Set(int x, int y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_ && pixels_[y * width_ + x] != 0;
  }
  int InColumn(int x) const {
    int count = 0;
    for (int y = 0; y < height_; ++y) {
      count += Set(x, y);
    }
    return count;
  }
  int InRow(int y) const {
    int count = 0;
    for (int x = 0; x < width_; ++x) {
      count += Set(x, y);
    }
    return count;
  }
  const std::vector<wayland::Triangle>& triangles() const { return triangles_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_;
  int height_;
  std::vector<uint32_t> pixels_;
  std::vector<wayland::Triangle> triangles_;
};

const Area square{0, 0, 64, 64};

TEST(WaylandStroke, ThinPenIsOnePixelAcrossTheMajorAxisFromEndToEnd) {
  const Stroked flat({{10, 10}, {50, 30}}, 1.2, square);
  for (int x = 10; x <= 50; ++x) {
    EXPECT_EQ(flat.InColumn(x), 1) << "column " << x;
  }
  EXPECT_EQ(flat.InColumn(9), 0);
  EXPECT_EQ(flat.InColumn(51), 0);
  EXPECT_TRUE(flat.Set(10, 10));
  EXPECT_TRUE(flat.Set(50, 30));
  const Stroked steep({{40, 5}, {30, 60}}, 1.2, square);
  for (int y = 5; y <= 60; ++y) {
    EXPECT_EQ(steep.InRow(y), 1) << "row " << y;
  }
}

// Where X draws its thin line: every pixel within half a pixel of the ideal line, across the major axis.
TEST(WaylandStroke, ThinPenLiesOnTheLine) {
  const Stroked line({{3, 7}, {61, 40}}, 1.2, square);
  for (int x = 3; x <= 61; ++x) {
    const double ideal = 7 + (x - 3) * 33.0 / 58;
    for (int y = 0; y < 64; ++y) {
      if (line.Set(x, y)) {
        EXPECT_LE(std::fabs(y - ideal), 0.5) << x << "," << y;
      }
    }
  }
}

TEST(WaylandStroke, WidePenCoversItsWidthAndMitersItsJoins) {
  const Stroked corner({{10, 30}, {40, 30}, {40, 60}}, 6, square);
  const int across = corner.InColumn(20);
  EXPECT_GE(across, 5);
  EXPECT_LE(across, 7);
  // The outer corner of a right angle: inside the miter, outside a bevel from (40, 27) to (43, 30).
  EXPECT_TRUE(corner.Set(42, 28));
}

TEST(WaylandStroke, ScaledLinesLieAtTheSameLogicalPlaceAndStaySharp) {
  const Stroked line({{5, 20}, {60, 20}}, 1.2, square, 2);
  for (int x = 10; x <= 121; ++x) {
    EXPECT_TRUE(line.Set(x, 40) && line.Set(x, 41)) << "column " << x;
    EXPECT_EQ(line.InColumn(x), 2) << "column " << x;
  }
}

// Far ends beyond pixman's fixed point are cut to what shows, keeping the line where it is.
TEST(WaylandStroke, FarPointsKeepTheLineThatShows) {
  const Stroked line({{-16384, 20}, {16384, 20}}, 1.2, square, 2);
  for (int x = 0; x < line.width(); ++x) {
    EXPECT_EQ(line.InColumn(x), 2) << "column " << x;
    EXPECT_TRUE(line.Set(x, 40)) << "column " << x;
  }
}

// Drawing and copying touch only the pieces: nothing drawn may lie outside them.
TEST(WaylandStroke, PiecesCoverEveryPixelDrawn) {
  for (const double width : {1.2, 5.0}) {
    for (int frame = 0; frame < 20; ++frame) {
      StepFigure();
      const std::vector<GpPointF> points(figurePoints, figurePoints + figurePointCount);
      const Area screen{0, 0, 800, 800};
      const Stroked figure(points, width, screen);
      std::vector<Area> pieces;
      wayland::Cover(figure.triangles(), pieces);
      long outside = 0;
      long drawn = 0;
      for (int y = 0; y < figure.height(); ++y) {
        for (int x = 0; x < figure.width(); ++x) {
          if (!figure.Set(x, y)) {
            continue;
          }
          ++drawn;
          bool covered = false;
          for (const Area& piece : pieces) {
            covered = covered || (x >= piece.x0 && x < piece.x1 && y >= piece.y0 && y < piece.y1);
          }
          outside += !covered;
        }
      }
      EXPECT_GT(drawn, 0);
      EXPECT_EQ(outside, 0) << "width " << width << ", frame " << frame;
    }
  }
}

}  // namespace
