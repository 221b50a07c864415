#include "platform/wayland/shm.h"

#include <sys/mman.h>
#include <unistd.h>

#include "platform/core/exit.h"

namespace wayland {
namespace {

std::size_t SizeOf(int width, int height) { return static_cast<std::size_t>(width) * height * 4; }

}  // namespace

ShmBuffer::ShmBuffer(wl_shm* shm, int width, int height)
    : width_(width), height_(height), capacity_(SizeOf(width, height)) {
  fd_ = memfd_create("wayland-buffer", MFD_CLOEXEC);
  if (fd_ < 0 || ftruncate(fd_, static_cast<off_t>(capacity_)) != 0) {
    core::ExitWithMessage("cannot make shared memory for the compositor");
  }
  pixels_ = mmap(nullptr, capacity_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (pixels_ == MAP_FAILED) {
    core::ExitWithMessage("cannot map shared memory for the compositor");
  }
  pool_ = wl_shm_create_pool(shm, fd_, static_cast<int32_t>(capacity_));
  MakeBuffer();
}

ShmBuffer::~ShmBuffer() {
  pixman_image_unref(image_);
  wl_buffer_destroy(buffer_);
  wl_shm_pool_destroy(pool_);
  munmap(pixels_, capacity_);
  close(fd_);
}

void ShmBuffer::MakeBuffer() {
  buffer_ = wl_shm_pool_create_buffer(pool_, 0, width_, height_, width_ * 4, WL_SHM_FORMAT_ARGB8888);
  static const wl_buffer_listener listener = {OnRelease};
  wl_buffer_add_listener(buffer_, &listener, this);
  image_ = pixman_image_create_bits(PIXMAN_a8r8g8b8, width_, height_, static_cast<uint32_t*>(pixels_), width_ * 4);
}

// Room to grow by a quarter more, which costs nothing until it is drawn on.
void ShmBuffer::Resize(int width, int height) {
  pixman_image_unref(image_);
  wl_buffer_destroy(buffer_);
  width_ = width;
  height_ = height;
  const std::size_t size = SizeOf(width, height);
  if (size > capacity_) {
    const std::size_t capacity = size + size / 4;
    if (ftruncate(fd_, static_cast<off_t>(capacity)) != 0) {
      core::ExitWithMessage("cannot grow shared memory for the compositor");
    }
    pixels_ = mremap(pixels_, capacity_, capacity, MREMAP_MAYMOVE);
    if (pixels_ == MAP_FAILED) {
      core::ExitWithMessage("cannot map shared memory for the compositor");
    }
    capacity_ = capacity;
    wl_shm_pool_resize(pool_, static_cast<int32_t>(capacity_));
  }
  MakeBuffer();
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
