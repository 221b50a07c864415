// Pixels the compositor reads from shared memory: premultiplied ARGB, as
// pixman draws them, in one anonymous file each that nothing outlives.
#pragma once

#include <pixman.h>
#include <wayland-client.h>

#include <functional>

namespace wayland {

class ShmBuffer {
 public:
  ShmBuffer(wl_shm* shm, int width, int height);
  ~ShmBuffer();
  ShmBuffer(const ShmBuffer&) = delete;
  ShmBuffer& operator=(const ShmBuffer&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  pixman_image_t* image() const { return image_; }
  // Attached and committed, until the compositor releases it: its pixels are
  // the compositor's to read, not ours to write.
  bool busy() const { return busy_; }

  // Attaches it to the surface at its origin; it is busy from then on.
  void Attach(wl_surface* surface);

  // Called as the compositor releases it.
  std::function<void()> onRelease;

 private:
  static void OnRelease(void* data, wl_buffer* buffer);

  int width_;
  int height_;
  void* pixels_;
  std::size_t size_;
  wl_buffer* buffer_;
  pixman_image_t* image_;
  bool busy_ = false;
};

}  // namespace wayland
