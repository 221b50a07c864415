// Polylines as GDI+ strokes them without antialiasing, its default, as
// triangles that pixman rasterises by pixel centres. GDI+ puts a pixel's
// centre on its whole coordinates, pixman puts its corner there: the
// outline is moved by half a pixel.
#pragma once

#include <pixman.h>

#include <vector>

#include "platform/platform.h"

namespace wayland {

// A rectangle of whole pixels, its right and bottom edges excluded.
struct Area {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;

  bool Empty() const { return x0 >= x1 || y0 >= y1; }
  bool operator==(const Area& other) const {
    return x0 == other.x0 && y0 == other.y0 && x1 == other.x1 && y1 == other.y1;
  }
  int Width() const { return x1 - x0; }
  int Height() const { return y1 - y0; }
  Area Moved(int dx, int dy) const { return Area{x0 + dx, y0 + dy, x1 + dx, y1 + dy}; }
  Area Intersection(const Area& other) const;
  // The smallest area holding both; an empty one adds nothing.
  Area Union(const Area& other) const;
};

struct Point {
  double x;
  double y;
};

struct Triangle {
  Point a;
  Point b;
  Point c;
};

// GDI+'s default: a miter longer than ten pen widths is cut to a bevel.
constexpr double miterLimit = 10;

// A pen thinner than this rounds to one pixel or less: it draws the thin
// line of GDI and of X, one pixel across the line's major axis from end to
// end, with nothing at the joins.
constexpr double thinLineLimit = 1.5;

// The stroke of the polyline with a pen of that width, its joins mitered,
// as triangles whose coverage adds up: only the part that may show inside
// `clip` is made, so that far points never reach pixman's fixed point.
void Stroke(const GpPointF* points, int count, double width, const Area& clip, std::vector<Triangle>& triangles);

// The whole pixels the triangles touch.
Area Bounds(const std::vector<Triangle>& triangles);

// Whole-pixel pieces that together cover the triangles, band by band of
// rows: where lines slant they hold far fewer pixels than the bounds, so
// that drawing and copying touch little more than the lines themselves.
void Cover(const std::vector<Triangle>& triangles, std::vector<Area>& pieces);

// The colour as pixman's premultiplied 16-bit channels.
pixman_color_t PixmanColor(ARGB color);

// Composites the colour through the triangles onto the image, whose pixel
// (0, 0) lies at `origin` and whose pixels are `scale` of the triangles'.
void FillTriangles(pixman_image_t* image, const std::vector<Triangle>& triangles, Point origin, double scale,
                   pixman_image_t* colour);

}  // namespace wayland
