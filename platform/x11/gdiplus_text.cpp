// Text on the screen: cairo lays out and rasterises the glyphs of a font
// that fontconfig finds into the coverage mask, and XRender composites the
// brush colour through it.
#include <cmath>

#include "platform/x11/gdiplus_objects.h"
#include "platform/x11/screen_dc.h"

GpStatus WINGDIPAPI GdipDrawString(GpGraphics* graphics, const WCHAR* string, INT length, const GpFont* font,
                                   const RectF* layoutRect, const GpStringFormat* stringFormat, const GpBrush* brush) {
  // Only a whole zero-terminated text, from the top-left corner of a rectangle that neither wraps nor clips it.
  if (!x11::IsLiveGraphics(graphics) || !x11::IsLiveDC(graphics->dc) || string == nullptr || length != -1 ||
      !x11::IsLiveFont(font) || layoutRect == nullptr || layoutRect->Width != 0 || layoutRect->Height != 0 ||
      stringFormat != nullptr || !x11::IsLiveBrush(brush)) {
    return InvalidParameter;
  }
  const std::string text = x11::ToUtf8(string);
  cairo_scaled_font_t* scaled = font->scaled.get();
  cairo_font_extents_t metrics;
  cairo_scaled_font_extents(scaled, &metrics);
  cairo_text_extents_t extents;
  cairo_scaled_font_text_extents(scaled, text.c_str(), &extents);
  const float left = layoutRect->X;
  const float top = layoutRect->Y;
  const x11::Box box = x11::ScreenBox(left, top, left + static_cast<float>(std::ceil(extents.x_advance)) + 1,
                                      top + static_cast<float>(std::ceil(metrics.height)) + 1, *graphics->dc);
  if (box.width == 0 || box.height == 0) {
    return Ok;
  }
  x11::Canvas& canvas = x11::CanvasOf(*graphics);
  cairo_t* cr = canvas.Begin(box);
  cairo_set_scaled_font(cr, scaled);
  cairo_move_to(cr, left, top + metrics.ascent);
  cairo_show_text(cr, text.c_str());
  canvas.Paint(brush->color, *graphics->dc);
  return Ok;
}
