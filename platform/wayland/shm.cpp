#include "platform/wayland/shm.h"

#include <sys/mman.h>
#include <unistd.h>

#include "platform/core/exit.h"

namespace wayland {

ShmBuffer::ShmBuffer(wl_shm* shm, int width, int height)
    : width_(width), height_(height), size_(static_cast<std::size_t>(width) * height * 4) {
  const int fd = memfd_create("wayland-buffer", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(size_)) != 0) {
    core::ExitWithMessage("cannot make shared memory for the compositor");
  }
  pixels_ = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (pixels_ == MAP_FAILED) {
    core::ExitWithMessage("cannot map shared memory for the compositor");
  }
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(size_));
  buffer_ = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_ARGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  static const wl_buffer_listener listener = {OnRelease};
  wl_buffer_add_listener(buffer_, &listener, this);
  image_ = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, static_cast<uint32_t*>(pixels_), width * 4);
}

ShmBuffer::~ShmBuffer() {
  pixman_image_unref(image_);
  wl_buffer_destroy(buffer_);
  munmap(pixels_, size_);
}

void ShmBuffer::Attach(wl_surface* surface) {
  wl_surface_attach(surface, buffer_, 0, 0);
  busy_ = true;
}

void ShmBuffer::OnRelease(void* data, wl_buffer*) {
  auto* self = static_cast<ShmBuffer*>(data);
  self->busy_ = false;
  if (self->onRelease) {
    self->onRelease();
  }
}

}  // namespace wayland
