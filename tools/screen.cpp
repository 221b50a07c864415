#include "tools/screen.h"

#include <X11/Xutil.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace tools {

int Screenshot::Count(std::uint32_t color) const {
  return static_cast<int>(std::count(pixels.begin(), pixels.end(), color));
}

int Screenshot::Count(std::uint32_t color, int x0, int y0, int width, int height) const {
  int count = 0;
  for (int y = std::max(0, y0); y < std::min(this->height, y0 + height); ++y) {
    for (int x = std::max(0, x0); x < std::min(this->width, x0 + width); ++x) {
      count += At(x, y) == color ? 1 : 0;
    }
  }
  return count;
}

Screenshot CaptureScreen(Display* display) {
  const Window root = DefaultRootWindow(display);
  XWindowAttributes attributes;
  XGetWindowAttributes(display, root, &attributes);
  XImage* image =
      XGetImage(display, root, 0, 0, static_cast<unsigned>(attributes.width),
                static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
  Screenshot shot;
  shot.width = attributes.width;
  shot.height = attributes.height;
  shot.pixels.reserve(static_cast<std::size_t>(shot.width) * shot.height);
  const auto channel = [](unsigned long pixel, unsigned long mask) {
    const int shift = __builtin_ctzl(mask);
    const unsigned long maximum = mask >> shift;
    return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255 / maximum);
  };
  // A screen whose pixels index a colormap shows the colours its cells hold.
  std::vector<XColor> cells;
  if (attributes.visual->c_class != TrueColor && attributes.visual->c_class != DirectColor) {
    cells.resize(static_cast<std::size_t>(attributes.visual->map_entries));
    for (std::size_t i = 0; i < cells.size(); ++i) {
      cells[i].pixel = i;
    }
    XQueryColors(display, attributes.colormap, cells.data(), static_cast<int>(cells.size()));
  }
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      if (!cells.empty()) {
        const XColor& cell = cells[pixel % cells.size()];
        shot.pixels.push_back(std::uint32_t{cell.red} >> 8 << 16 | std::uint32_t{cell.green} >> 8 << 8 |
                              std::uint32_t{cell.blue} >> 8);
        continue;
      }
      shot.pixels.push_back(channel(pixel, image->red_mask) << 16 | channel(pixel, image->green_mask) << 8 |
                            channel(pixel, image->blue_mask));
    }
  }
  XDestroyImage(image);
  return shot;
}

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::uint32_t BigEndian32(const std::string& data, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    value = value << 8 | static_cast<unsigned char>(data[offset + i]);
  }
  return value;
}

}  // namespace

Screenshot ReadXwd(const std::string& path) {
  const std::string data = ReadAll(path);
  Screenshot shot;
  constexpr std::size_t headerWords = 25;
  if (data.size() < headerWords * 4) {
    return shot;
  }
  const auto field = [&](int index) { return BigEndian32(data, 4 * static_cast<std::size_t>(index)); };
  const std::uint32_t headerSize = field(0);
  const std::uint32_t bitsPerPixel = field(11);
  const std::uint32_t bytesPerLine = field(12);
  const std::uint32_t colormapEntries = field(19);
  const int width = static_cast<int>(field(4));
  const int height = static_cast<int>(field(5));
  const std::size_t start = headerSize + 12 * static_cast<std::size_t>(colormapEntries);
  // Xvfb keeps 32 bits a pixel; xwd may write 24 (it does for Wine's desktop once a window is minimized).
  const std::size_t bytesPerPixel = bitsPerPixel / 8;
  if ((bitsPerPixel != 32 && bitsPerPixel != 24) || field(7) != LSBFirst ||
      data.size() < start + std::size_t{bytesPerLine} * height) {
    return shot;
  }
  shot.width = width;
  shot.height = height;
  shot.pixels.reserve(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint32_t pixel = 0;
      std::memcpy(&pixel, data.data() + start + std::size_t{bytesPerLine} * y + bytesPerPixel * x, bytesPerPixel);
      shot.pixels.push_back(pixel & 0xFFFFFF);
    }
  }
  return shot;
}

Screenshot ReadPpm(const std::string& path) {
  const std::string data = ReadAll(path);
  Screenshot shot;
  std::istringstream header(data);
  std::string magic;
  int maximum = 0;
  header >> magic >> shot.width >> shot.height >> maximum;
  const auto start = static_cast<std::size_t>(header.tellg()) + 1;
  if (magic != "P6" || maximum != 255 || data.size() < start + 3 * static_cast<std::size_t>(shot.width) * shot.height) {
    return Screenshot{};
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(shot.width) * shot.height; ++i) {
    const auto channel = [&](int c) { return static_cast<std::uint32_t>(static_cast<unsigned char>(data[start + 3 * i + c])); };
    shot.pixels.push_back(channel(0) << 16 | channel(1) << 8 | channel(2));
  }
  return shot;
}

bool WritePpm(const Screenshot& shot, const std::string& path) {
  std::ofstream file(path, std::ios::binary);
  file << "P6\n" << shot.width << " " << shot.height << "\n255\n";
  for (const std::uint32_t pixel : shot.pixels) {
    file.put(static_cast<char>(pixel >> 16)).put(static_cast<char>(pixel >> 8)).put(static_cast<char>(pixel));
  }
  return static_cast<bool>(file.flush());
}

double DistanceToPolyline(double x, double y, const std::vector<GpPointF>& points) {
  double best = INFINITY;
  for (std::size_t i = 0; i + 1 < points.size(); ++i) {
    const double ax = points[i].X, ay = points[i].Y;
    const double dx = points[i + 1].X - ax, dy = points[i + 1].Y - ay;
    const double lengthSquared = dx * dx + dy * dy;
    const double t = lengthSquared == 0 ? 0 : std::clamp(((x - ax) * dx + (y - ay) * dy) / lengthSquared, 0.0, 1.0);
    best = std::min(best, std::hypot(x - (ax + t * dx), y - (ay + t * dy)));
  }
  return best;
}

bool ColorNear(const Screenshot& shot, double x, double y, int radius, std::uint32_t color) {
  const int cx = static_cast<int>(std::floor(x));
  const int cy = static_cast<int>(std::floor(y));
  for (int py = std::max(0, cy - radius); py <= std::min(shot.height - 1, cy + radius); ++py) {
    for (int px = std::max(0, cx - radius); px <= std::min(shot.width - 1, cx + radius); ++px) {
      if (shot.At(px, py) == color) {
        return true;
      }
    }
  }
  return false;
}

std::string ReadText(const Screenshot& shot, int x, int y, int width, int height, std::uint32_t color) {
  // Black text on white, four times the size: what OCR reads best.
  constexpr int scale = 4;
  char path[] = "/tmp/ocr-XXXXXX";
  const int fd = mkstemp(path);
  close(fd);
  {
    std::ofstream image(path, std::ios::binary);
    image << "P5\n" << width * scale << " " << height * scale << "\n255\n";
    for (int row = 0; row < height * scale; ++row) {
      for (int column = 0; column < width * scale; ++column) {
        image.put(shot.At(x + column / scale, y + row / scale) == color ? '\0' : '\xFF');
      }
    }
  }
  const std::string command = std::string("tesseract ") + path + " stdout --psm 7 2>/dev/null";
  std::string text;
  if (FILE* ocr = popen(command.c_str(), "r")) {
    std::array<char, 256> chunk;
    while (std::fgets(chunk.data(), chunk.size(), ocr) != nullptr) {
      text += chunk.data();
    }
    pclose(ocr);
  }
  unlink(path);
  const auto first = text.find_first_not_of(" \n\f");
  const auto last = text.find_last_not_of(" \n\f");
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

bool DrawnAsOneLine(const Screenshot& shot, const std::vector<GpPointF>& polyline, std::uint32_t color) {
  const auto onLine = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < shot.width && y < shot.height && shot.At(x, y) == color &&
           DistanceToPolyline(x + 0.5, y + 0.5, polyline) <= 2;
  };
  std::vector<bool> seen(shot.pixels.size());
  int pieces = 0;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      if (seen[static_cast<std::size_t>(y) * shot.width + x] || !onLine(x, y)) {
        continue;
      }
      ++pieces;
      std::vector<std::pair<int, int>> pending{{x, y}};
      seen[static_cast<std::size_t>(y) * shot.width + x] = true;
      while (!pending.empty()) {
        const auto [px, py] = pending.back();
        pending.pop_back();
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = px + dx, ny = py + dy;
            if (onLine(nx, ny) && !seen[static_cast<std::size_t>(ny) * shot.width + nx]) {
              seen[static_cast<std::size_t>(ny) * shot.width + nx] = true;
              pending.emplace_back(nx, ny);
            }
          }
        }
      }
    }
  }
  return pieces == 1;
}

}  // namespace tools
