// The notice: an xdg-shell toplevel with a line of text and an OK button,
// drawn client-side, which holds the thread until it is dismissed. Its size
// is fixed (minimum and maximum alike), so that tiling compositors float it.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/notice.h"
#include "platform/wayland/backend.h"

namespace wayland {
namespace {

// The notice's text, in the desktop's sans; the face lives as long as the notice.
constexpr double fontPixels = 14;
constexpr ARGB paper = 0xFFFFFFFF;
constexpr ARGB ink = 0xFF000000;

class Notice : public InputTarget {
 public:
  Notice(Backend& backend, const Font* font, const std::string& text, const std::string& caption)
      : backend_(backend), font_(font), text_(text) {
    const int textWidth = font_ != nullptr ? static_cast<int>(std::ceil(font_->Width(text_))) : 0;
    lineHeight_ = font_ != nullptr ? static_cast<int>(std::ceil(font_->LineHeight())) : 0;
    layout_ = core::LayOutNotice(textWidth, lineHeight_);
    const Globals& globals = backend_.globals();
    surface_ = wl_compositor_create_surface(globals.compositor);
    static const wl_surface_listener surfaceListener = {OnEnter, OnLeave};
    wl_surface_add_listener(surface_, &surfaceListener, static_cast<InputTarget*>(this));
    xdgSurface_ = xdg_wm_base_get_xdg_surface(globals.wmBase, surface_);
    static const xdg_surface_listener xdgSurfaceListener = {OnSurfaceConfigure};
    xdg_surface_add_listener(xdgSurface_, &xdgSurfaceListener, this);
    toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
    static const xdg_toplevel_listener toplevelListener = {
        OnConfigure, OnClose, [](void*, xdg_toplevel*, int32_t, int32_t) {}, [](void*, xdg_toplevel*, wl_array*) {}};
    xdg_toplevel_add_listener(toplevel_, &toplevelListener, this);
    xdg_toplevel_set_title(toplevel_, caption.c_str());
    xdg_toplevel_set_app_id(toplevel_, caption.c_str());
    xdg_toplevel_set_min_size(toplevel_, layout_.width, layout_.height);
    xdg_toplevel_set_max_size(toplevel_, layout_.width, layout_.height);
    wl_surface_commit(surface_);
  }

  ~Notice() override {
    backend_.ForgetInput(this);
    xdg_toplevel_destroy(toplevel_);
    xdg_surface_destroy(xdgSurface_);
    wl_surface_destroy(surface_);
    backend_.session().Flush();
  }

  Notice(const Notice&) = delete;
  Notice& operator=(const Notice&) = delete;

  bool dismissed() const { return dismissed_; }

  void KeyPressed(const core::Key& key, bool, uint32_t) override { dismissed_ = dismissed_ || core::DismissesNotice(key.keysym); }
  void KeyReleased(const core::Key&, bool, uint32_t) override {}
  void KeyHeld(const core::Key&, bool) override {}

  // A click is a press and a release both on the button.
  void Button(bool pressed, double x, double y) override {
    const bool onButton = layout_.OnButton(x - left_, y - top_);
    if (pressed) {
      armed_ = onButton;
    } else {
      dismissed_ = dismissed_ || (armed_ && onButton);
      armed_ = false;
    }
  }

 private:
  static Notice* Of(void* data) { return static_cast<Notice*>(static_cast<InputTarget*>(data)); }

  static void OnEnter(void* data, wl_surface*, wl_output* output) {
    Notice* self = Of(data);
    self->outputs_.push_back(output);
    self->Redraw();
  }

  static void OnLeave(void* data, wl_surface*, wl_output* output) {
    Notice* self = Of(data);
    self->outputs_.erase(std::remove(self->outputs_.begin(), self->outputs_.end(), output), self->outputs_.end());
    self->Redraw();
  }

  static void OnConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
    auto* self = static_cast<Notice*>(data);
    self->configuredWidth_ = width;
    self->configuredHeight_ = height;
  }

  static void OnClose(void* data, xdg_toplevel*) { static_cast<Notice*>(data)->dismissed_ = true; }

  // A compositor that insists on a size of its own gets it, the notice in its middle.
  static void OnSurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial) {
    auto* self = static_cast<Notice*>(data);
    xdg_surface_ack_configure(surface, serial);
    self->configured_ = true;
    self->Redraw();
  }

  void Redraw() {
    if (!configured_) {
      return;
    }
    const int scale = backend_.ScaleOf(outputs_);
    const int width = configuredWidth_ > 0 ? configuredWidth_ : layout_.width;
    const int height = configuredHeight_ > 0 ? configuredHeight_ : layout_.height;
    old_.erase(std::remove_if(old_.begin(), old_.end(),
                              [](const std::unique_ptr<ShmBuffer>& buffer) { return !buffer->busy(); }),
               old_.end());
    if (buffer_ != nullptr) {
      old_.push_back(std::move(buffer_));
    }
    buffer_ = std::make_unique<ShmBuffer>(backend_.globals().shm, width * scale, height * scale);
    left_ = (width - layout_.width) / 2;
    top_ = (height - layout_.height) / 2;
    Paint(buffer_->image(), scale);
    buffer_->Attach(surface_);
    wl_surface_set_buffer_scale(surface_, scale);
    wl_surface_damage_buffer(surface_, 0, 0, buffer_->width(), buffer_->height());
    wl_surface_commit(surface_);
  }

  void Paint(pixman_image_t* image, int scale) const {
    const pixman_color_t white = PixmanColor(paper);
    const pixman_color_t black = PixmanColor(ink);
    const pixman_box32_t all{0, 0, pixman_image_get_width(image), pixman_image_get_height(image)};
    pixman_image_fill_boxes(PIXMAN_OP_SRC, image, &white, 1, &all);
    const Area b{left_ + layout_.buttonX, top_ + layout_.buttonY, left_ + layout_.buttonX + layout_.buttonWidth,
                 top_ + layout_.buttonY + layout_.buttonHeight};
    const pixman_box32_t frame[4] = {
        {b.x0 * scale, b.y0 * scale, b.x1 * scale, (b.y0 + 1) * scale},
        {b.x0 * scale, (b.y1 - 1) * scale, b.x1 * scale, b.y1 * scale},
        {b.x0 * scale, b.y0 * scale, (b.x0 + 1) * scale, b.y1 * scale},
        {(b.x1 - 1) * scale, b.y0 * scale, b.x1 * scale, b.y1 * scale},
    };
    pixman_image_fill_boxes(PIXMAN_OP_SRC, image, &black, 4, frame);
    if (font_ == nullptr) {
      return;
    }
    pixman_image_t* colour = pixman_image_create_solid_fill(&black);
    font_->Draw(image, text_, (left_ + layout_.textX) * scale, (top_ + layout_.textY) * scale, scale, colour);
    const std::string label = core::noticeButtonLabel;
    const double labelX = b.x0 + (layout_.buttonWidth - font_->Width(label)) / 2;
    const double labelY = b.y0 + (layout_.buttonHeight - lineHeight_) / 2.0;
    font_->Draw(image, label, std::round(labelX) * scale, std::round(labelY) * scale, scale, colour);
    pixman_image_unref(colour);
  }

  Backend& backend_;
  const Font* font_;
  std::string text_;
  int lineHeight_;
  core::NoticeLayout layout_;
  // Where the box lies in a window that the compositor made larger.
  int left_ = 0;
  int top_ = 0;
  int configuredWidth_ = 0;
  int configuredHeight_ = 0;
  bool configured_ = false;
  bool armed_ = false;
  bool dismissed_ = false;
  wl_surface* surface_;
  xdg_surface* xdgSurface_;
  xdg_toplevel* toplevel_;
  std::vector<wl_output*> outputs_;
  std::unique_ptr<ShmBuffer> buffer_;
  // Buffers drawn before, until the compositor releases them.
  std::vector<std::unique_ptr<ShmBuffer>> old_;
};

}  // namespace

void Backend::RunNotice(const char* text, const char* caption) {
  const std::unique_ptr<Font> font = fonts_->Open("sans", fontPixels);
  Notice notice(*this, font.get(), text, caption);
  while (!notice.dismissed()) {
    session_.Dispatch(true);
  }
}

}  // namespace wayland
