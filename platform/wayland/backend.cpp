#include "platform/wayland/backend.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/wayland/wayland.h"
#include "platform/wayland/window.h"

namespace wayland {
namespace {

// The versions whose events the listeners here know.
constexpr uint32_t compositorVersion = 4;
constexpr uint32_t wmBaseVersion = 2;
constexpr uint32_t layerShellVersion = 4;
constexpr uint32_t outputManagerVersion = 3;
constexpr uint32_t seatVersion = 4;
constexpr uint32_t outputVersion = 3;

template <typename Proxy>
Proxy* Bind(wl_registry* registry, uint32_t name, const wl_interface& interface, uint32_t offered, uint32_t known) {
  return static_cast<Proxy*>(wl_registry_bind(registry, name, &interface, std::min(offered, known)));
}

bool Is(const char* interface, const wl_interface& known) { return std::strcmp(interface, known.name) == 0; }

// A pen thinner than a pixel still draws one; NaN draws the thinnest, and a
// wide one stays within the screen's reach.
double PenWidth(REAL width) { return !(width >= 1) ? 1.0 : std::min<double>(width, core::coordinateReach); }

}  // namespace

std::unique_ptr<core::Backend> Connect() {
  wl_display* display = Session::Open();
  if (display == nullptr) {
    return nullptr;
  }
  auto backend = std::make_unique<Backend>(display);
  if (!backend->BringUp()) {
    return nullptr;
  }
  return backend;
}

bool Backend::BringUp() {
  registry_ = wl_display_get_registry(session_.display());
  static const wl_registry_listener registryListener = {OnGlobal, OnGlobalRemove};
  wl_registry_add_listener(registry_, &registryListener, this);
  session_.Roundtrip();
  if (!globals_.Complete()) {
    return false;
  }
  static const xdg_wm_base_listener wmBaseListener = {OnPing};
  xdg_wm_base_add_listener(globals_.wmBase, &wmBaseListener, this);
  up_ = true;
  for (const auto& [name, version] : outputsToBind_) {
    OnGlobal(this, registry_, name, wl_output_interface.name, version);
  }
  outputsToBind_.clear();
  if (globals_.seat != nullptr) {
    input_ = std::make_unique<Input>(globals_.seat);
  }
  // The outputs' layout and scale, and the seat's keyboard and pointer.
  session_.Roundtrip();
  // The keyboard's keymap.
  session_.Roundtrip();
  fonts_ = std::make_unique<Fonts>();
  return true;
}

Backend::~Backend() {
  if (colour_ != nullptr) {
    pixman_image_unref(colour_);
  }
  fonts_.reset();
  input_.reset();
  outputs_.clear();
  globals_.Destroy();
  if (registry_ != nullptr) {
    wl_registry_destroy(registry_);
  }
}

void Backend::OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  auto* self = static_cast<Backend*>(data);
  Globals& globals = self->globals_;
  if (Is(interface, wl_compositor_interface)) {
    globals.compositor = Bind<wl_compositor>(registry, name, wl_compositor_interface, version, compositorVersion);
  } else if (Is(interface, wl_subcompositor_interface)) {
    globals.subcompositor = Bind<wl_subcompositor>(registry, name, wl_subcompositor_interface, version, 1);
  } else if (Is(interface, wl_shm_interface)) {
    globals.shm = Bind<wl_shm>(registry, name, wl_shm_interface, version, 1);
  } else if (Is(interface, xdg_wm_base_interface)) {
    globals.wmBase = Bind<xdg_wm_base>(registry, name, xdg_wm_base_interface, version, wmBaseVersion);
  } else if (Is(interface, zwlr_layer_shell_v1_interface)) {
    globals.layerShell =
        Bind<zwlr_layer_shell_v1>(registry, name, zwlr_layer_shell_v1_interface, version, layerShellVersion);
  } else if (Is(interface, wp_viewporter_interface)) {
    globals.viewporter = Bind<wp_viewporter>(registry, name, wp_viewporter_interface, version, 1);
  } else if (Is(interface, zxdg_output_manager_v1_interface)) {
    globals.outputManager = Bind<zxdg_output_manager_v1>(registry, name, zxdg_output_manager_v1_interface, version,
                                                         outputManagerVersion);
  } else if (Is(interface, wl_seat_interface) && globals.seat == nullptr) {
    globals.seat = Bind<wl_seat>(registry, name, wl_seat_interface, version, seatVersion);
  } else if (Is(interface, wl_output_interface)) {
    if (!self->up_) {
      self->outputsToBind_.emplace_back(name, version);
      return;
    }
    auto* output = Bind<wl_output>(registry, name, wl_output_interface, version, outputVersion);
    self->outputs_.push_back(std::make_unique<Output>(*self, name, output, globals.outputManager));
  }
}

void Backend::OnGlobalRemove(void* data, wl_registry*, uint32_t name) {
  auto& outputs = static_cast<Backend*>(data)->outputs_;
  outputs.erase(std::remove_if(outputs.begin(), outputs.end(),
                               [name](const std::unique_ptr<Output>& output) { return output->name() == name; }),
                outputs.end());
}

void Backend::OnPing(void*, xdg_wm_base* wmBase, uint32_t serial) { xdg_wm_base_pong(wmBase, serial); }

int Backend::ScaleOf(const std::vector<wl_output*>& outputs) const {
  int scale = 1;
  for (const auto& output : outputs_) {
    if (std::find(outputs.begin(), outputs.end(), output->output()) != outputs.end()) {
      scale = std::max(scale, output->geometry().scale);
    }
  }
  return scale;
}

std::unique_ptr<core::NativeWindow> Backend::CreateWindow(HWND window, const core::WindowLook& look) {
  return std::make_unique<Window>(*this, window, look);
}

void Backend::ShowWindow(core::NativeWindow& window, bool maximize) { static_cast<Window&>(window).Show(maximize); }

void Backend::ReadEvents(std::vector<core::WindowEvent>& events) {
  session_.Dispatch(false);
  events.insert(events.end(), events_.begin(), events_.end());
  events_.clear();
  // What the events made us send, a buffer released in time for a frame waiting on it, goes out now.
  session_.Flush();
}

void Backend::WaitForEvents() {
  while (events_.empty()) {
    session_.Dispatch(true);
  }
}

std::unique_ptr<core::NativeFont> Backend::OpenFont(const std::string& family, REAL pixels) {
  return fonts_->Open(family, std::isfinite(pixels) ? std::clamp<double>(pixels, 1, core::coordinateReach) : 16);
}

Area Backend::DesktopArea(const Output& output) const {
  int left = output.geometry().x;
  int top = output.geometry().y;
  for (const auto& other : outputs_) {
    if (other->ready()) {
      left = std::min(left, other->geometry().x);
      top = std::min(top, other->geometry().y);
    }
  }
  const OutputGeometry& g = output.geometry();
  return Area{g.x - left, g.y - top, g.x - left + g.width, g.y - top + g.height};
}

void Backend::OpenScreenOn(Output& output) {
  const OutputGeometry& g = output.geometry();
  output.screen =
      std::make_unique<ScreenSurface>(globals_, output.output(), g.width, g.height, g.scale, background_);
}

void Backend::OutputChanged(Output& output) {
  if (!screenOpen_) {
    return;
  }
  if (output.screen == nullptr) {
    OpenScreenOn(output);
  } else {
    output.screen->Rescale(output.geometry().scale);
  }
}

// The layer surfaces are configured before anything is drawn on them, so
// that the first drawing shows at once rather than after the frame's pause.
void Backend::OpenScreen() {
  screenOpen_ = true;
  background_ = 0;
  for (const auto& output : outputs_) {
    if (output->ready()) {
      OpenScreenOn(*output);
    }
  }
  session_.Roundtrip();
}

void Backend::CloseScreen() {
  screenOpen_ = false;
  for (const auto& output : outputs_) {
    output->screen.reset();
  }
  session_.Flush();
}

void Backend::Fill(ARGB color) {
  background_ = color;
  for (const auto& output : outputs_) {
    if (output->screen != nullptr) {
      output->screen->Fill(color);
      output->screen->Present();
    }
  }
  session_.Flush();
}

pixman_image_t* Backend::Colour(ARGB color) {
  if (colour_ == nullptr || colourValue_ != color) {
    if (colour_ != nullptr) {
      pixman_image_unref(colour_);
    }
    const pixman_color_t value = PixmanColor(color);
    colour_ = pixman_image_create_solid_fill(&value);
    colourValue_ = color;
  }
  return colour_;
}

const std::vector<Area>& Backend::OnOutput(const std::vector<Area>& pieces, const Area& desktop) {
  outputPieces_.clear();
  for (const Area& piece : pieces) {
    const Area inside = piece.Intersection(desktop);
    if (!inside.Empty()) {
      outputPieces_.push_back(inside.Moved(-desktop.x0, -desktop.y0));
    }
  }
  return outputPieces_;
}

void Backend::DrawLines(const GpPointF* points, INT count, ARGB color, REAL width) {
  pixman_image_t* colour = Colour(color);
  for (const auto& output : outputs_) {
    if (output->screen == nullptr) {
      continue;
    }
    const Area desktop = DesktopArea(*output);
    Stroke(points, count, PenWidth(width), desktop, triangles_);
    Cover(triangles_, pieces_);
    output->screen->Paint(OnOutput(pieces_, desktop), [&](pixman_image_t* ink, Point origin, int scale) {
      FillTriangles(ink, triangles_, Point{origin.x + desktop.x0, origin.y + desktop.y0}, scale, colour);
    });
    output->screen->Present();
  }
  session_.Flush();
}

void Backend::DrawText(const core::NativeFont& font, const std::string& latin1, REAL x, REAL y, ARGB color) {
  const auto& face = static_cast<const Font&>(font);
  pixman_image_t* colour = Colour(color);
  const std::vector<Area> bounds = {face.Bounds(latin1, x, y)};
  for (const auto& output : outputs_) {
    if (output->screen == nullptr) {
      continue;
    }
    const Area desktop = DesktopArea(*output);
    output->screen->Paint(OnOutput(bounds, desktop), [&](pixman_image_t* ink, Point origin, int scale) {
      face.Draw(ink, latin1, (x - desktop.x0 - origin.x) * scale, (y - desktop.y0 - origin.y) * scale, scale,
                colour);
    });
    output->screen->Present();
  }
  session_.Flush();
}

}  // namespace wayland
