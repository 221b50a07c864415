#include "platform/wayland/screen.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/core/exit.h"

namespace wayland {
namespace {

// The ink grows by whole steps, so that a figure moving about grows it a
// few times rather than in every frame.
constexpr int inkStep = 16;

int RoundDown(int value) { return value >= 0 ? value / inkStep * inkStep : -((-value + inkStep - 1) / inkStep * inkStep); }
int RoundUp(int value) { return -RoundDown(-value); }

// A single pixel of the colour, which a viewport stretches over a whole surface.
std::unique_ptr<ShmBuffer> PixelOf(wl_shm* shm, ARGB color) {
  auto buffer = std::make_unique<ShmBuffer>(shm, 1, 1);
  const pixman_color_t colour = PixmanColor(color);
  const pixman_box32_t pixel{0, 0, 1, 1};
  pixman_image_fill_boxes(PIXMAN_OP_SRC, buffer->image(), &colour, 1, &pixel);
  return buffer;
}

// Memory of at least `size` bytes, the old memory's pages and contents kept
// where there is one; a quarter more room than asked for, which costs nothing
// until it is drawn on.
void* Reserve(void* memory, std::size_t& capacity, std::size_t size) {
  if (memory != nullptr && size <= capacity) {
    return memory;
  }
  const std::size_t wanted = size + size / 4;
  void* grown = memory != nullptr ? mremap(memory, capacity, wanted, MREMAP_MAYMOVE)
                                  : mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (grown == MAP_FAILED) {
    core::ExitWithMessage("cannot allocate memory for what is drawn on the screen");
  }
  capacity = wanted;
  return grown;
}

void SetEmptyInput(const Globals& globals, wl_surface* surface) {
  wl_region* nothing = wl_compositor_create_region(globals.compositor);
  wl_surface_set_input_region(surface, nothing);
  wl_region_destroy(nothing);
}

}  // namespace

ScreenSurface::ScreenSurface(const Globals& globals, wl_output* output, int width, int height, int scale,
                             ARGB background)
    : globals_(globals), width_(width), height_(height), scale_(scale), background_(background) {
  surface_ = wl_compositor_create_surface(globals.compositor);
  SetEmptyInput(globals, surface_);
  viewport_ = wp_viewporter_get_viewport(globals.viewporter, surface_);
  inkSurface_ = wl_compositor_create_surface(globals.compositor);
  SetEmptyInput(globals, inkSurface_);
  subsurface_ = wl_subcompositor_get_subsurface(globals.subcompositor, inkSurface_, surface_);
  pixman_region32_init(&damage_);
  pixman_region32_init(&inked_);
  for (InkBuffer& buffer : buffers_) {
    pixman_region32_init(&buffer.stale);
  }
  backgroundBuffer_ = PixelOf(globals.shm, background);
  layer_ = zwlr_layer_shell_v1_get_layer_surface(globals.layerShell, surface_, output,
                                                  ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, program_invocation_short_name);
  zwlr_layer_surface_v1_set_anchor(layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                               ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                               ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  // -1: over the whole output, panels' exclusive zones included, and none of its own.
  zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
  zwlr_layer_surface_v1_set_keyboard_interactivity(layer_, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
  static const zwlr_layer_surface_v1_listener listener = {OnConfigure, OnClosed};
  zwlr_layer_surface_v1_add_listener(layer_, &listener, this);
  wl_surface_commit(surface_);
}

ScreenSurface::~ScreenSurface() {
  zwlr_layer_surface_v1_destroy(layer_);
  wl_subsurface_destroy(subsurface_);
  wl_surface_destroy(inkSurface_);
  wp_viewport_destroy(viewport_);
  wl_surface_destroy(surface_);
  for (InkBuffer& buffer : buffers_) {
    pixman_region32_fini(&buffer.stale);
  }
  pixman_region32_fini(&damage_);
  pixman_region32_fini(&inked_);
  if (ink_ != nullptr) {
    pixman_image_unref(ink_);
  }
  if (inkMemory_ != nullptr) {
    munmap(inkMemory_, inkCapacity_);
  }
}

void ScreenSurface::OnConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                                uint32_t height) {
  auto* self = static_cast<ScreenSurface*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  if (width > 0 && height > 0) {
    self->width_ = static_cast<int>(width);
    self->height_ = static_cast<int>(height);
  }
  // Only the middle of the background's pixel is stretched: a compositor
  // that steps through it in fixed point can overshoot its far edge on the
  // last row (sway's pixman renderer left a 1280x800 output's bottom row
  // uncovered), and the middle has no edge there. The source goes with the
  // destination, whose whole size it needs.
  wp_viewport_set_source(self->viewport_, wl_fixed_from_double(0.25), wl_fixed_from_double(0.25),
                         wl_fixed_from_double(0.5), wl_fixed_from_double(0.5));
  wp_viewport_set_destination(self->viewport_, self->width_, self->height_);
  // What was drawn stays where it still fits.
  const Area kept = self->box_.Intersection(self->Extent());
  if (self->ink_ != nullptr && !(kept == self->box_)) {
    self->ReplaceInk(kept, self->scale_);
  }
  // The first configure lets the background show; later ones need only a commit for the viewport's new size.
  self->backgroundChanged_ = self->backgroundChanged_ || !self->configured_;
  self->configured_ = true;
  self->resized_ = true;
  self->Present();
}

void ScreenSurface::OnClosed(void* data, zwlr_layer_surface_v1*) { static_cast<ScreenSurface*>(data)->closed_ = true; }

void ScreenSurface::Rescale(int scale) {
  if (scale == scale_) {
    return;
  }
  if (ink_ != nullptr) {
    ReplaceInk(box_, scale);
  }
  scale_ = scale;
  Present();
}

void ScreenSurface::Retire(std::unique_ptr<ShmBuffer> buffer) {
  if (buffer != nullptr && buffer->busy()) {
    buffer->onRelease = nullptr;
    retired_.push_back(std::move(buffer));
  }
}

// A scale or an output that changes is rare: the ink is made anew, the old one resampled into it.
void ScreenSurface::ReplaceInk(const Area& box, int scale) {
  void* memory = nullptr;
  std::size_t capacity = 0;
  pixman_image_t* ink = nullptr;
  if (!box.Empty()) {
    const int width = box.Width() * scale;
    const int height = box.Height() * scale;
    memory = Reserve(nullptr, capacity, static_cast<std::size_t>(width) * height * 4);
    ink = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, static_cast<uint32_t*>(memory), width * 4);
  }
  const bool keep = ink != nullptr && ink_ != nullptr && pixman_region32_not_empty(&inked_);
  if (keep) {
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, pixman_double_to_fixed(static_cast<double>(scale_) / scale),
                                pixman_double_to_fixed(static_cast<double>(scale_) / scale));
    pixman_image_set_transform(ink_, &transform);
    // Each old pixel becomes whole new ones, or keeps one of those it became: the strokes keep their colour
    // and their edges, as the screen showed them.
    pixman_image_set_filter(ink_, PIXMAN_FILTER_NEAREST, nullptr, 0);
    pixman_image_composite32(PIXMAN_OP_SRC, ink_, nullptr, ink, 0, 0, 0, 0, (box_.x0 - box.x0) * scale,
                             (box_.y0 - box.y0) * scale, box_.Width() * scale, box_.Height() * scale);
  }
  if (ink_ != nullptr) {
    pixman_image_unref(ink_);
    munmap(inkMemory_, inkCapacity_);
  }
  ink_ = ink;
  inkMemory_ = memory;
  inkCapacity_ = capacity;
  box_ = box;
  scale_ = scale;
  pixman_region32_clear(&inked_);
  if (keep) {
    pixman_region32_init_rect(&inked_, 0, 0, static_cast<unsigned>(pixman_image_get_width(ink_)),
                              static_cast<unsigned>(pixman_image_get_height(ink_)));
  }
  InkMoved();
}

void ScreenSurface::GrowInk(const Area& box) {
  const int oldWidth = box_.Width() * scale_;
  const int oldHeight = box_.Height() * scale_;
  const int width = box.Width() * scale_;
  const int height = box.Height() * scale_;
  const int dx = (box_.x0 - box.x0) * scale_;
  const int dy = (box_.y0 - box.y0) * scale_;
  pixman_image_unref(ink_);
  inkMemory_ = Reserve(inkMemory_, inkCapacity_, static_cast<std::size_t>(width) * height * 4);
  auto* pixels = static_cast<uint32_t*>(inkMemory_);
  // Each row moves to a place no earlier than its own, and no later row's
  // place reaches an earlier row: from the last row up, nothing is
  // overwritten before it has moved.
  for (int row = oldHeight - 1; row >= 0; --row) {
    std::memmove(pixels + static_cast<std::size_t>(row + dy) * width + dx,
                 pixels + static_cast<std::size_t>(row) * oldWidth, static_cast<std::size_t>(oldWidth) * 4);
  }
  ink_ = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, pixels, width * 4);
  const pixman_color_t transparent{0, 0, 0, 0};
  const pixman_box32_t around[4] = {{0, 0, width, dy},
                                    {0, dy, dx, dy + oldHeight},
                                    {dx + oldWidth, dy, width, dy + oldHeight},
                                    {0, dy + oldHeight, width, height}};
  for (const pixman_box32_t& band : around) {
    if (band.x1 < band.x2 && band.y1 < band.y2) {
      pixman_image_fill_boxes(PIXMAN_OP_SRC, ink_, &transparent, 1, &band);
    }
  }
  pixman_region32_translate(&inked_, dx, dy);
  box_ = box;
  InkMoved();
}

// The buffers are of the old size and the subsurface in the old place: all of it goes out anew.
void ScreenSurface::InkMoved() {
  moved_ = true;
  pixman_region32_clear(&damage_);
  if (ink_ == nullptr) {
    return;
  }
  pixman_region32_t all;
  pixman_region32_init_rect(&all, 0, 0, static_cast<unsigned>(pixman_image_get_width(ink_)),
                            static_cast<unsigned>(pixman_image_get_height(ink_)));
  for (InkBuffer& buffer : buffers_) {
    pixman_region32_copy(&buffer.stale, &all);
  }
  pixman_region32_copy(&damage_, &all);
  pixman_region32_fini(&all);
}

void ScreenSurface::DamageInk(pixman_region32_t* region) {
  pixman_region32_union(&damage_, &damage_, region);
  for (InkBuffer& buffer : buffers_) {
    if (buffer.shm != nullptr) {
      pixman_region32_union(&buffer.stale, &buffer.stale, region);
    }
  }
}

void ScreenSurface::Fill(ARGB color) {
  if (color != background_) {
    Retire(std::move(backgroundBuffer_));
    backgroundBuffer_ = PixelOf(globals_.shm, color);
    background_ = color;
    backgroundChanged_ = true;
  }
  if (pixman_region32_not_empty(&inked_)) {
    const pixman_color_t transparent{0, 0, 0, 0};
    int count = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(&inked_, &count);
    pixman_image_fill_boxes(PIXMAN_OP_SRC, ink_, &transparent, count, boxes);
    DamageInk(&inked_);
    pixman_region32_clear(&inked_);
  }
}

void ScreenSurface::Paint(const std::vector<Area>& pieces, const Painter& painter) {
  Area visible;
  for (const Area& piece : pieces) {
    visible = visible.Union(piece.Intersection(Extent()));
  }
  if (visible.Empty()) {
    return;
  }
  const Area grown = box_.Union(visible);
  if (ink_ == nullptr || !(grown == box_)) {
    const Area box =
        Area{RoundDown(grown.x0), RoundDown(grown.y0), RoundUp(grown.x1), RoundUp(grown.y1)}.Intersection(Extent());
    ink_ == nullptr ? ReplaceInk(box, scale_) : GrowInk(box);
  }
  // The pieces in the ink's pixels.
  std::vector<pixman_box32_t> boxes;
  boxes.reserve(pieces.size());
  for (const Area& piece : pieces) {
    const Area inside = piece.Intersection(box_).Moved(-box_.x0, -box_.y0);
    if (!inside.Empty()) {
      boxes.push_back(
          pixman_box32_t{inside.x0 * scale_, inside.y0 * scale_, inside.x1 * scale_, inside.y1 * scale_});
    }
  }
  pixman_region32_t changed;
  pixman_region32_init_rects(&changed, boxes.data(), static_cast<int>(boxes.size()));
  pixman_image_set_clip_region32(ink_, &changed);
  painter(ink_, Point{static_cast<double>(box_.x0), static_cast<double>(box_.y0)}, scale_);
  pixman_image_set_clip_region32(ink_, nullptr);
  pixman_region32_union(&inked_, &inked_, &changed);
  DamageInk(&changed);
  pixman_region32_fini(&changed);
}

ScreenSurface::InkBuffer* ScreenSurface::FreeBuffer() {
  const int width = pixman_image_get_width(ink_);
  const int height = pixman_image_get_height(ink_);
  for (InkBuffer& buffer : buffers_) {
    if (buffer.shm != nullptr && !buffer.shm->busy()) {
      if (buffer.shm->width() != width || buffer.shm->height() != height) {
        buffer.shm->Resize(width, height);
      }
      return &buffer;
    }
  }
  for (InkBuffer& buffer : buffers_) {
    if (buffer.shm == nullptr) {
      buffer.shm = std::make_unique<ShmBuffer>(globals_.shm, width, height);
      buffer.shm->onRelease = [this] {
        if (waitingForBuffer_) {
          Present();
        }
      };
      const pixman_box32_t all{0, 0, buffer.shm->width(), buffer.shm->height()};
      pixman_region32_reset(&buffer.stale, &all);
      return &buffer;
    }
  }
  return nullptr;
}

// Copies into a free buffer what it lacks of the ink, and commits it with
// the damage since the last commit.
void ScreenSurface::PresentInk() {
  InkBuffer* buffer = FreeBuffer();
  waitingForBuffer_ = buffer == nullptr;
  if (buffer == nullptr) {
    return;
  }
  pixman_image_set_clip_region32(buffer->shm->image(), &buffer->stale);
  pixman_image_composite32(PIXMAN_OP_SRC, ink_, nullptr, buffer->shm->image(), 0, 0, 0, 0, 0, 0,
                           buffer->shm->width(), buffer->shm->height());
  pixman_image_set_clip_region32(buffer->shm->image(), nullptr);
  pixman_region32_clear(&buffer->stale);
  buffer->shm->Attach(inkSurface_);
  wl_surface_set_buffer_scale(inkSurface_, scale_);
  // Many small rectangles cost the compositor more than their extents do.
  constexpr int damageRectangles = 16;
  int count = 0;
  const pixman_box32_t* boxes = pixman_region32_rectangles(&damage_, &count);
  if (count > damageRectangles) {
    boxes = pixman_region32_extents(&damage_);
    count = 1;
  }
  for (int i = 0; i < count; ++i) {
    wl_surface_damage_buffer(inkSurface_, boxes[i].x1, boxes[i].y1, boxes[i].x2 - boxes[i].x1,
                             boxes[i].y2 - boxes[i].y1);
  }
  pixman_region32_clear(&damage_);
  wl_surface_commit(inkSurface_);
  if (moved_) {
    wl_subsurface_set_position(subsurface_, box_.x0, box_.y0);
    moved_ = false;
  }
}

void ScreenSurface::Present() {
  // Released buffers of an older ink or background go for good.
  retired_.erase(std::remove_if(retired_.begin(), retired_.end(),
                                [](const std::unique_ptr<ShmBuffer>& buffer) { return !buffer->busy(); }),
                 retired_.end());
  if (!configured_ || closed_) {
    return;
  }
  const bool inkChanged = pixman_region32_not_empty(&damage_);
  if (!inkChanged && !backgroundChanged_ && !moved_ && !resized_) {
    return;
  }
  resized_ = false;
  if (inkChanged) {
    PresentInk();
  } else if (ink_ == nullptr && moved_) {
    // The output shrank away from all that was drawn.
    wl_surface_attach(inkSurface_, nullptr, 0, 0);
    wl_surface_commit(inkSurface_);
    moved_ = false;
  }
  if (backgroundChanged_) {
    backgroundBuffer_->Attach(surface_);
    wl_surface_damage_buffer(surface_, 0, 0, 1, 1);
    backgroundChanged_ = false;
  }
  // The subsurface's state goes out with its parent's.
  wl_surface_commit(surface_);
}

}  // namespace wayland
