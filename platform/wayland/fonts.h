// Fonts as fontconfig picks them for a family, rendered by FreeType and
// composited with pixman.
#pragma once

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <pixman.h>

#include <memory>
#include <string>

#include "platform/core/backend.h"
#include "platform/wayland/drawing.h"

namespace wayland {

class Font : public core::NativeFont {
 public:
  Font(FT_Face face, double pixels) : face_(face), pixels_(pixels) {}
  ~Font() override;
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // Extents at the font's own size, in pixels: how far the text advances,
  // and the line's ascent and height.
  double Width(const std::string& latin1) const;
  double Ascent() const;
  double LineHeight() const;

  // What the text may cover with its top-left corner at (x, y), in pixels.
  Area Bounds(const std::string& latin1, double x, double y) const;

  // Draws the text with its top-left corner at (x, y) of the image, whose
  // pixels are `scale` of the font's: glyphs are rendered at that size.
  void Draw(pixman_image_t* image, const std::string& latin1, double x, double y, double scale,
            pixman_image_t* colour) const;

 private:
  // The face at the size in pixels; FreeType keeps one size at a time.
  void Size(double pixels) const;

  FT_Face face_;
  double pixels_;
};

// FreeType, for the whole session. Fontconfig's configuration is loaded
// for each face looked up and let go at once: it is most of what the
// programs would otherwise hold in memory for their whole run.
class Fonts {
 public:
  Fonts();
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  // The face fontconfig matches to the family at that size, or null where
  // it finds no font file at all.
  std::unique_ptr<Font> Open(const std::string& family, double pixels);

 private:
  FT_Library library_ = nullptr;
};

}  // namespace wayland
