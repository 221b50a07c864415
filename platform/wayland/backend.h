// The backend on a Wayland compositor with layer shell. It owns the whole
// session: the connection, the globals, the outputs and their parts of the
// screen, the seat and the fonts; callbacks get it, or the object they
// concern, as their data, so that a process may connect again after closing.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/core/backend.h"
#include "platform/wayland/drawing.h"
#include "platform/wayland/fonts.h"
#include "platform/wayland/keyboard.h"
#include "platform/wayland/outputs.h"
#include "platform/wayland/session.h"

namespace wayland {

class Backend final : public core::Backend {
 public:
  explicit Backend(wl_display* display) : session_(display) {}
  ~Backend() override;
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  // Brings the session up, in this order: the globals, the outputs'
  // layout, the seat's keyboard and pointer, FreeType. False if the
  // compositor lacks a global the backend needs.
  bool BringUp();

  void RunNotice(const char* text, const char* caption) override;
  std::unique_ptr<core::NativeWindow> CreateWindow(HWND window, const core::WindowLook& look) override;
  void ShowWindow(core::NativeWindow& window, bool maximize) override;
  void ReadEvents(std::vector<core::WindowEvent>& events) override;
  void WaitForEvents() override;
  void OpenScreen() override;
  void CloseScreen() override;
  void Fill(ARGB color) override;
  void DrawLines(const GpPointF* points, INT count, ARGB color, REAL width) override;
  void DrawText(const core::NativeFont& font, const std::string& latin1, REAL x, REAL y, ARGB color) override;
  std::unique_ptr<core::NativeFont> OpenFont(const std::string& family, REAL pixels) override;

  Session& session() { return session_; }
  const Globals& globals() const { return globals_; }
  // The target goes: no more input reaches it.
  void ForgetInput(const InputTarget* target) {
    if (input_ != nullptr) {
      input_->Forget(target);
    }
  }
  // The largest scale of the outputs named, 1 without any.
  int ScaleOf(const std::vector<wl_output*>& outputs) const;
  void Push(const core::WindowEvent& event) { events_.push_back(event); }
  // An output was described anew: its part of the screen follows it.
  void OutputChanged(Output& output);

 private:
  static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
  static void OnGlobalRemove(void* data, wl_registry* registry, uint32_t name);
  static void OnPing(void* data, xdg_wm_base* wmBase, uint32_t serial);

  // Where an output lies on the desktop, whose origin is the top-left corner of the outputs' layout.
  Area DesktopArea(const Output& output) const;
  void OpenScreenOn(Output& output);
  // A solid source of the colour for pixman, kept while the colour is drawn with.
  pixman_image_t* Colour(ARGB color);
  // The pieces on the output's part of the screen, from its corner, in outputPieces_.
  const std::vector<Area>& OnOutput(const std::vector<Area>& pieces, const Area& desktop);

  Session session_;
  wl_registry* registry_ = nullptr;
  Globals globals_;
  std::vector<std::unique_ptr<Output>> outputs_;
  // Outputs announced before the global that describes their layout, while the session comes up.
  std::vector<std::pair<uint32_t, uint32_t>> outputsToBind_;
  bool up_ = false;
  std::unique_ptr<Input> input_;
  std::unique_ptr<Fonts> fonts_;
  bool screenOpen_ = false;
  // The last fill's colour, which an output added later shows too.
  ARGB background_ = 0;
  std::vector<core::WindowEvent> events_;
  // Kept from call to call, so that a frame allocates little.
  std::vector<Triangle> triangles_;
  std::vector<Area> pieces_;
  std::vector<Area> outputPieces_;
  pixman_image_t* colour_ = nullptr;
  ARGB colourValue_ = 0;
};

}  // namespace wayland
