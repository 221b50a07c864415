#include "platform/wayland/drawing.h"

#include <algorithm>
#include <cmath>

namespace wayland {
namespace {

Point Add(Point p, Point q) { return Point{p.x + q.x, p.y + q.y}; }
Point Scaled(Point p, double factor) { return Point{p.x * factor, p.y * factor}; }

// The fractions of the segment from a to b inside the rectangle (Liang-Barsky): false if none of it is.
bool Clip(Point a, Point b, double left, double top, double right, double bottom, double& t0, double& t1) {
  t0 = 0;
  t1 = 1;
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - left, right - a.x, a.y - top, bottom - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) {
        return false;
      }
    } else if (p[i] < 0) {
      t0 = std::max(t0, q[i] / p[i]);
    } else {
      t1 = std::min(t1, q[i] / p[i]);
    }
  }
  return t0 <= t1;
}

void AddQuad(Point a, Point b, Point c, Point d, std::vector<Triangle>& triangles) {
  triangles.push_back(Triangle{a, b, c});
  triangles.push_back(Triangle{a, c, d});
}

// Pixman's 16.16 fixed point, held inside its range.
pixman_fixed_t Fixed(double value) {
  constexpr double reach = 32767;
  return pixman_double_to_fixed(std::clamp(value, -reach, reach));
}

}  // namespace

Area Area::Intersection(const Area& other) const {
  return Area{std::max(x0, other.x0), std::max(y0, other.y0), std::min(x1, other.x1), std::min(y1, other.y1)};
}

Area Area::Union(const Area& other) const {
  if (Empty()) {
    return other;
  }
  if (other.Empty()) {
    return *this;
  }
  return Area{std::min(x0, other.x0), std::min(y0, other.y0), std::max(x1, other.x1), std::max(y1, other.y1)};
}

void Stroke(const GpPointF* points, int count, double width, const Area& clip, std::vector<Triangle>& triangles) {
  triangles.clear();
  const bool thin = !(width >= thinLineLimit);
  const double half = thin ? 0.5 : width / 2;
  // Nothing of the stroke lies farther from its points than a miter's tip.
  const double margin = half * miterLimit + 1;
  const double left = clip.x0 - margin, top = clip.y0 - margin, right = clip.x1 + margin,
               bottom = clip.y1 + margin;
  // Repeated points make no segment, and joins are between the segments that are.
  std::vector<Point> path;
  for (int i = 0; i < count; ++i) {
    const Point p{points[i].X + 0.5, points[i].Y + 0.5};
    if (path.empty() || p.x != path.back().x || p.y != path.back().y) {
      path.push_back(p);
    }
  }
  const auto normal = [half](Point a, Point b) {
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    return Point{-(b.y - a.y) / length * half, (b.x - a.x) / length * half};
  };
  for (std::size_t i = 0; i + 1 < path.size(); ++i) {
    Point a = path[i];
    Point b = path[i + 1];
    if (thin) {
      // One pixel across the major axis, from the first point's pixel to the last one's.
      const double dx = b.x - a.x;
      const double dy = b.y - a.y;
      const double major = std::max(std::fabs(dx), std::fabs(dy));
      const Point reach{dx / major * half, dy / major * half};
      a = Add(a, Scaled(reach, -1));
      b = Add(b, reach);
    }
    double t0 = 0;
    double t1 = 1;
    if (!Clip(a, b, left, top, right, bottom, t0, t1)) {
      continue;
    }
    const Point n = thin ? (std::fabs(b.x - a.x) >= std::fabs(b.y - a.y) ? Point{0, half} : Point{half, 0})
                         : normal(a, b);
    const Point from{a.x + t0 * (b.x - a.x), a.y + t0 * (b.y - a.y)};
    const Point to{a.x + t1 * (b.x - a.x), a.y + t1 * (b.y - a.y)};
    AddQuad(Add(from, n), Add(to, n), Add(to, Scaled(n, -1)), Add(from, Scaled(n, -1)), triangles);
  }
  if (thin) {
    return;
  }
  // Joins fill the outer side of each bend: a miter, or a bevel where the miter would be too long.
  for (std::size_t i = 1; i + 1 < path.size(); ++i) {
    const Point a = path[i - 1];
    const Point p = path[i];
    const Point b = path[i + 1];
    if (p.x < left || p.x > right || p.y < top || p.y > bottom) {
      continue;
    }
    const Point n1 = normal(a, p);
    const Point n2 = normal(p, b);
    const double cross = (p.x - a.x) * (b.y - p.y) - (p.y - a.y) * (b.x - p.x);
    if (cross == 0) {
      continue;
    }
    const double side = cross > 0 ? -1 : 1;
    const Point outer1 = Add(p, Scaled(n1, side));
    const Point outer2 = Add(p, Scaled(n2, side));
    // With the turn's angle phi between the directions, a miter reaches 1 / cos(phi / 2) half widths out.
    const double cosTurn = (n1.x * n2.x + n1.y * n2.y) / (half * half);
    const double cosHalf = std::sqrt(std::max(0.0, (1 + cosTurn) / 2));
    if (cosHalf * miterLimit < 1) {
      triangles.push_back(Triangle{p, outer1, outer2});
      continue;
    }
    const Point bisector = Add(n1, n2);
    const double length = std::hypot(bisector.x, bisector.y);
    const Point tip = Add(p, Scaled(bisector, side * half / cosHalf / length));
    AddQuad(p, outer1, tip, outer2, triangles);
  }
}

Area Bounds(const std::vector<Triangle>& triangles) {
  if (triangles.empty()) {
    return Area{};
  }
  double x0 = triangles[0].a.x, y0 = triangles[0].a.y, x1 = x0, y1 = y0;
  for (const Triangle& t : triangles) {
    for (const Point& p : {t.a, t.b, t.c}) {
      x0 = std::min(x0, p.x);
      y0 = std::min(y0, p.y);
      x1 = std::max(x1, p.x);
      y1 = std::max(y1, p.y);
    }
  }
  return Area{static_cast<int>(std::floor(x0)), static_cast<int>(std::floor(y0)), static_cast<int>(std::ceil(x1)),
              static_cast<int>(std::ceil(y1))};
}

void Cover(const std::vector<Triangle>& triangles, std::vector<Area>& pieces) {
  constexpr int band = 16;
  pieces.clear();
  for (const Triangle& t : triangles) {
    const Point corners[3] = {t.a, t.b, t.c};
    const double top = std::min({t.a.y, t.b.y, t.c.y});
    const double bottom = std::max({t.a.y, t.b.y, t.c.y});
    for (double y0 = std::floor(top); y0 < bottom; y0 += band) {
      const double y1 = std::min(y0 + band, std::ceil(bottom));
      // The triangle's reach across the band: its corners within it, and its edges where they cross the band's edges.
      double left = HUGE_VAL;
      double right = -HUGE_VAL;
      for (int i = 0; i < 3; ++i) {
        const Point p = corners[i];
        const Point q = corners[(i + 1) % 3];
        if (p.y >= y0 && p.y <= y1) {
          left = std::min(left, p.x);
          right = std::max(right, p.x);
        }
        for (const double y : {y0, y1}) {
          if ((p.y - y) * (q.y - y) < 0) {
            const double x = p.x + (y - p.y) / (q.y - p.y) * (q.x - p.x);
            left = std::min(left, x);
            right = std::max(right, x);
          }
        }
      }
      if (left <= right) {
        pieces.push_back(Area{static_cast<int>(std::floor(left)), static_cast<int>(y0),
                              static_cast<int>(std::floor(right)) + 1, static_cast<int>(y1)});
      }
    }
  }
}

pixman_color_t PixmanColor(ARGB color) {
  const unsigned alpha = color >> 24;
  const auto channel = [alpha](unsigned value) {
    return static_cast<uint16_t>((value * alpha + 127) / 255 * 257);
  };
  return pixman_color_t{channel((color >> 16) & 0xFF), channel((color >> 8) & 0xFF), channel(color & 0xFF),
                        static_cast<uint16_t>(alpha * 257)};
}

void FillTriangles(pixman_image_t* image, const std::vector<Triangle>& triangles, Point origin, double scale,
                   pixman_image_t* colour) {
  std::vector<pixman_triangle_t> fixed;
  fixed.reserve(triangles.size());
  const auto place = [origin, scale](Point p) {
    return pixman_point_fixed_t{Fixed((p.x - origin.x) * scale), Fixed((p.y - origin.y) * scale)};
  };
  for (const Triangle& t : triangles) {
    fixed.push_back(pixman_triangle_t{place(t.a), place(t.b), place(t.c)});
  }
  pixman_composite_triangles(PIXMAN_OP_OVER, colour, image, PIXMAN_a1, 0, 0, 0, 0, static_cast<int>(fixed.size()),
                             fixed.data());
}

}  // namespace wayland
