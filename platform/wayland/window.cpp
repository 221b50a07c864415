#include "platform/wayland/window.h"

#include "platform/wayland/backend.h"

namespace wayland {

Window::Window(Backend& backend, HWND handle, const core::WindowLook& look)
    : backend_(backend), handle_(handle), look_(look) {}

Window::~Window() {
  backend_.ForgetInput(this);
  if (surface_ == nullptr) {
    return;
  }
  xdg_toplevel_destroy(toplevel_);
  xdg_surface_destroy(xdgSurface_);
  wp_viewport_destroy(viewport_);
  wl_surface_destroy(surface_);
  backend_.session().Flush();
}

void Window::Show(bool maximize) {
  if (surface_ == nullptr) {
    const Globals& globals = backend_.globals();
    surface_ = wl_compositor_create_surface(globals.compositor);
    wl_surface_set_user_data(surface_, static_cast<InputTarget*>(this));
    viewport_ = wp_viewporter_get_viewport(globals.viewporter, surface_);
    xdgSurface_ = xdg_wm_base_get_xdg_surface(globals.wmBase, surface_);
    static const xdg_surface_listener surfaceListener = {OnSurfaceConfigure};
    xdg_surface_add_listener(xdgSurface_, &surfaceListener, this);
    toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
    static const xdg_toplevel_listener toplevelListener = {
        OnConfigure, OnClose, [](void*, xdg_toplevel*, int32_t, int32_t) {}, [](void*, xdg_toplevel*, wl_array*) {}};
    xdg_toplevel_add_listener(toplevel_, &toplevelListener, this);
    xdg_toplevel_set_title(toplevel_, look_.title.c_str());
    xdg_toplevel_set_app_id(toplevel_, look_.className.c_str());
    clear_ = std::make_unique<ShmBuffer>(globals.shm, 1, 1);
  }
  if (maximize) {
    xdg_toplevel_set_maximized(toplevel_);
  }
  // The first commit, without a buffer, asks for the first configure; the window shows once it is answered.
  if (!visible) {
    wl_surface_commit(surface_);
    visible = true;
  }
  backend_.session().Flush();
}

void Window::OnConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
  auto* self = static_cast<Window*>(data);
  self->width_ = width;
  self->height_ = height;
}

// Where the compositor leaves the size to us, the window has the size it was created with.
void Window::OnSurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial) {
  auto* self = static_cast<Window*>(data);
  xdg_surface_ack_configure(surface, serial);
  const int width = self->width_ > 0 ? self->width_ : self->look_.width;
  const int height = self->height_ > 0 ? self->height_ : self->look_.height;
  wp_viewport_set_destination(self->viewport_, width, height);
  if (!self->attached_) {
    self->clear_->Attach(self->surface_);
    wl_surface_damage_buffer(self->surface_, 0, 0, 1, 1);
    self->attached_ = true;
  }
  wl_surface_commit(self->surface_);
}

void Window::OnClose(void* data, xdg_toplevel*) {
  static_cast<Window*>(data)->Push(core::WindowEvent::Kind::closeRequested, core::Key{0, 0}, false, 0);
}

void Window::Push(core::WindowEvent::Kind kind, const core::Key& key, bool altHeld, uint32_t time) {
  backend_.Push(core::WindowEvent{kind, handle_, key, altHeld, time});
}

void Window::KeyPressed(const core::Key& key, bool altHeld, uint32_t time) {
  Push(core::WindowEvent::Kind::keyPressed, key, altHeld, time);
}

void Window::KeyReleased(const core::Key& key, bool altHeld, uint32_t time) {
  Push(core::WindowEvent::Kind::keyReleased, key, altHeld, time);
}

void Window::KeyHeld(const core::Key& key, bool altHeld) { Push(core::WindowEvent::Kind::keyHeld, key, altHeld, 0); }

}  // namespace wayland
