// One output's part of the screen: a layer-shell surface on the overlay
// layer, over the whole output, that takes no input. What it shows:
// - its background, the colour of the last fill (transparent before any),
//   as a single pixel that the compositor stretches over the output
//   (wp_viewporter), so that a fill costs the same on any output;
// - the ink, what has been drawn since, on a subsurface over the bounding
//   box of what was ever drawn there (grown in steps, never shrunk), at the
//   output's buffer scale so that lines stay sharp.
// The ink is drawn client-side with pixman into a copy of our own, and
// only what changed is copied into one of two shared-memory buffers, the
// one the compositor has released; while neither is free the frame waits
// in the copy and goes out on the next release. Nothing waits on the
// compositor: the program's own pause is the only clock. Drawing, clearing
// and copying touch only the pieces that lines cover (drawing.h), so that
// a frame costs about what its lines do, whatever the screen's size.
#pragma once

#include <pixman.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/wayland/drawing.h"
#include "platform/wayland/session.h"
#include "platform/wayland/shm.h"

namespace wayland {

class ScreenSurface {
 public:
  // `painter` draws into the ink image, whose pixel (0, 0) lies at the
  // point given, in the output's logical pixels, at the scale given.
  using Painter = std::function<void(pixman_image_t* ink, Point origin, int scale)>;

  ScreenSurface(const Globals& globals, wl_output* output, int width, int height, int scale, ARGB background);
  ~ScreenSurface();
  ScreenSurface(const ScreenSurface&) = delete;
  ScreenSurface& operator=(const ScreenSurface&) = delete;

  // The output's buffer scale changed: the ink is kept, resampled.
  void Rescale(int scale);

  // The background takes the colour and the ink is cleared.
  void Fill(ARGB color);
  // Draws into the ink within the pieces (logical, from the output's
  // corner), which the ink grows to cover as far as the output reaches.
  void Paint(const std::vector<Area>& pieces, const Painter& painter);
  // Sends the compositor what changed.
  void Present();

 private:
  struct InkBuffer {
    std::unique_ptr<ShmBuffer> shm;
    // The ink's pixels that this buffer does not hold yet.
    pixman_region32_t stale;
  };

  static void OnConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width, uint32_t height);
  static void OnClosed(void* data, zwlr_layer_surface_v1* layer);

  Area Extent() const { return Area{0, 0, width_, height_}; }
  // A new ink of that box and scale, keeping what the old one holds there.
  void ReplaceInk(const Area& box, int scale);
  void DamageInk(pixman_region32_t* region);
  InkBuffer* FreeBuffer();
  void Retire(std::unique_ptr<ShmBuffer> buffer);
  void PresentInk();

  const Globals& globals_;
  wl_surface* surface_;
  zwlr_layer_surface_v1* layer_;
  wp_viewport* viewport_;
  wl_surface* inkSurface_;
  wl_subsurface* subsurface_;
  int width_;
  int height_;
  int scale_;
  bool configured_ = false;
  bool closed_ = false;

  ARGB background_;
  std::unique_ptr<ShmBuffer> backgroundBuffer_;
  bool backgroundChanged_ = true;

  pixman_image_t* ink_ = nullptr;
  Area box_;
  // Where the ink holds anything, in its pixels: what a fill clears.
  pixman_region32_t inked_;
  bool moved_ = false;
  // What changed in the ink since the compositor was last sent it.
  pixman_region32_t damage_;
  InkBuffer buffers_[2];
  bool waitingForBuffer_ = false;
  // Buffers of an older ink or background, kept until the compositor releases them.
  std::vector<std::unique_ptr<ShmBuffer>> retired_;
};

}  // namespace wayland
