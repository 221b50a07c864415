#include "platform/wayland/fonts.h"

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>


namespace wayland {

Font::~Font() { FT_Done_Face(face_); }

void Font::Size(double pixels) const {
  FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(std::lround(pixels * 64)), 72, 72);
}

double Font::Width(const std::string& latin1) const {
  Size(pixels_);
  double width = 0;
  for (const char c : latin1) {
    if (FT_Load_Char(face_, static_cast<unsigned char>(c), FT_LOAD_DEFAULT) == 0) {
      width += face_->glyph->advance.x / 64.0;
    }
  }
  return width;
}

double Font::Ascent() const {
  Size(pixels_);
  return face_->size->metrics.ascender / 64.0;
}

double Font::LineHeight() const {
  Size(pixels_);
  return (face_->size->metrics.ascender - face_->size->metrics.descender) / 64.0;
}

Area Font::Bounds(const std::string& latin1, double x, double y) const {
  Size(pixels_);
  const FT_Size_Metrics& metrics = face_->size->metrics;
  double left = 0;
  double right = 0;
  double pen = 0;
  double top = metrics.ascender / 64.0;
  double bottom = metrics.descender / 64.0;
  for (const char c : latin1) {
    if (FT_Load_Char(face_, static_cast<unsigned char>(c), FT_LOAD_DEFAULT) != 0) {
      continue;
    }
    const FT_Glyph_Metrics& glyph = face_->glyph->metrics;
    left = std::min(left, pen + glyph.horiBearingX / 64.0);
    right = std::max(right, pen + (glyph.horiBearingX + glyph.width) / 64.0);
    top = std::max(top, glyph.horiBearingY / 64.0);
    bottom = std::min(bottom, (glyph.horiBearingY - glyph.height) / 64.0);
    pen += face_->glyph->advance.x / 64.0;
  }
  const double ascent = metrics.ascender / 64.0;
  // A pixel more all round for the rounding of glyphs rendered at another scale.
  return Area{static_cast<int>(std::floor(x + left)) - 1, static_cast<int>(std::floor(y + ascent - top)) - 1,
              static_cast<int>(std::ceil(x + std::max(right, pen))) + 1,
              static_cast<int>(std::ceil(y + ascent - bottom)) + 1};
}

void Font::Draw(pixman_image_t* image, const std::string& latin1, double x, double y, double scale,
                pixman_image_t* colour) const {
  Size(pixels_ * scale);
  double pen = x;
  const double baseline = y + face_->size->metrics.ascender / 64.0;
  std::vector<uint8_t> coverage;
  for (const char c : latin1) {
    if (FT_Load_Char(face_, static_cast<unsigned char>(c), FT_LOAD_RENDER) != 0) {
      continue;
    }
    const FT_GlyphSlot glyph = face_->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.width > 0 && bitmap.rows > 0) {
      // pixman wants rows of whole 32-bit words.
      const int stride = static_cast<int>((bitmap.width + 3) & ~3u);
      coverage.assign(static_cast<std::size_t>(stride) * bitmap.rows, 0);
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        std::memcpy(&coverage[row * static_cast<std::size_t>(stride)], bitmap.buffer + row * bitmap.pitch,
                    bitmap.width);
      }
      pixman_image_t* mask = pixman_image_create_bits(PIXMAN_a8, static_cast<int>(bitmap.width),
                                                      static_cast<int>(bitmap.rows),
                                                      reinterpret_cast<uint32_t*>(coverage.data()), stride);
      pixman_image_composite32(PIXMAN_OP_OVER, colour, mask, image, 0, 0, 0, 0,
                               static_cast<int>(std::lround(pen)) + glyph->bitmap_left,
                               static_cast<int>(std::lround(baseline)) - glyph->bitmap_top,
                               static_cast<int>(bitmap.width), static_cast<int>(bitmap.rows));
      pixman_image_unref(mask);
    }
    pen += glyph->advance.x / 64.0;
  }
}

Fonts::Fonts() {
  if (FT_Init_FreeType(&library_) != 0) {
    library_ = nullptr;
  }
}

Fonts::~Fonts() {
  if (library_ != nullptr) {
    FT_Done_FreeType(library_);
  }
}

std::unique_ptr<Font> Fonts::Open(const std::string& family, double pixels) {
  if (library_ == nullptr) {
    return nullptr;
  }
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) {
    return nullptr;
  }
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixels);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  FcConfigDestroy(config);
  // What the configuration held goes back to the system, not only to the heap.
  malloc_trim(0);
  if (match == nullptr) {
    return nullptr;
  }
  FcChar8* file = nullptr;
  int index = 0;
  FT_Face face = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    if (FT_New_Face(library_, reinterpret_cast<const char*>(file), index, &face) != 0) {
      face = nullptr;
    }
  }
  FcPatternDestroy(match);
  if (face == nullptr) {
    return nullptr;
  }
  return std::make_unique<Font>(face, pixels);
}

}  // namespace wayland
