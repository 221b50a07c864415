// GDI+: start-up and shutdown, the objects' lifetimes, and drawing on the
// screen's device context through the backend; the device context itself.
#include <algorithm>
#include <cmath>

#include "platform/core/session.h"

namespace core {
namespace {

GdiplusObjects& Objects() { return TheSession().gdiplus; }

// Creates an object behind an output handle, as every GDI+ constructor does.
template <typename T>
GpStatus Create(HandleTable<T>& table, T object, T** handle) {
  if (handle == nullptr) {
    return InvalidParameter;
  }
  if (Objects().liveTokens.empty()) {
    return GdiplusNotInitialized;
  }
  *handle = table.Add(std::make_unique<T>(std::move(object)));
  return Ok;
}

template <typename T>
GpStatus Delete(HandleTable<T>& table, T* handle) {
  return table.Remove(handle) != nullptr ? Ok : InvalidParameter;
}

// A graphics object that still has its device context to draw through.
bool CanDraw(const GpGraphics* graphics) {
  GdiplusObjects& objects = Objects();
  return objects.graphics.Contains(graphics) && objects.deviceContexts.Contains(graphics->dc);
}

// Strokes and text are opaque on every backend: a translucent colour would
// need blending that the X server's core requests do not offer.
bool Opaque(ARGB color) { return color >> 24 == 0xFF; }

bool WithinReach(REAL value) { return std::fabs(value) <= coordinateReach; }

// Text in Latin-1, what has no place there as '?'.
std::string ToLatin1(const WCHAR* text) {
  std::string latin1;
  for (; *text != 0; ++text) {
    latin1 += *text < 0x100 ? static_cast<char>(*text) : '?';
  }
  return latin1;
}

}  // namespace
}  // namespace core

using core::Create;
using core::Delete;
using core::Objects;

HDC WINAPI GetDC(HWND window) {
  // Only the whole screen is offered; the programs never draw into a window of their own.
  if (window != nullptr) {
    return nullptr;
  }
  core::Session& session = core::TheSession();
  if (session.gdiplus.deviceContexts.Empty()) {
    session.backend->OpenScreen();
  }
  return session.gdiplus.deviceContexts.Add(std::make_unique<HDC__>());
}

INT WINAPI ReleaseDC(HWND, HDC dc) {
  core::Session& session = core::TheSession();
  if (session.gdiplus.deviceContexts.Remove(dc) == nullptr) {
    return 0;
  }
  if (session.gdiplus.deviceContexts.Empty()) {
    session.backend->CloseScreen();
  }
  return 1;
}

GpStatus WINGDIPAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput*) {
  if (token == nullptr || input == nullptr) {
    return InvalidParameter;
  }
  if (input->GdiplusVersion != 1) {
    return UnsupportedGdiplusVersion;
  }
  core::GdiplusObjects& objects = Objects();
  *token = ++objects.lastToken;
  objects.liveTokens.push_back(*token);
  return Ok;
}

void WINGDIPAPI GdiplusShutdown(ULONG_PTR token) {
  auto& tokens = Objects().liveTokens;
  tokens.erase(std::remove(tokens.begin(), tokens.end(), token), tokens.end());
}

GpStatus WINGDIPAPI GdipCreateFromHDC(HDC dc, GpGraphics** graphics) {
  if (!Objects().deviceContexts.Contains(dc)) {
    return InvalidParameter;
  }
  return Create(Objects().graphics, GpGraphics{dc}, graphics);
}

GpStatus WINGDIPAPI GdipDeleteGraphics(GpGraphics* graphics) { return Delete(Objects().graphics, graphics); }

GpStatus WINGDIPAPI GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen) {
  // Widths are kept in pixels; there is no page transform to convert other units with.
  if (unit != UnitPixel) {
    return InvalidParameter;
  }
  return Create(Objects().pens, GpPen{color, width}, pen);
}

GpStatus WINGDIPAPI GdipDeletePen(GpPen* pen) { return Delete(Objects().pens, pen); }

GpStatus WINGDIPAPI GdipSetPenColor(GpPen* pen, ARGB color) {
  if (!Objects().pens.Contains(pen)) {
    return InvalidParameter;
  }
  pen->color = color;
  return Ok;
}

GpStatus WINGDIPAPI GdipSetPenWidth(GpPen* pen, REAL width) {
  if (!Objects().pens.Contains(pen)) {
    return InvalidParameter;
  }
  pen->width = width;
  return Ok;
}

GpStatus WINGDIPAPI GdipSetPenLineJoin(GpPen* pen, GpLineJoin lineJoin) {
  if (!Objects().pens.Contains(pen) || lineJoin < LineJoinMiter || lineJoin > LineJoinMiterClipped) {
    return InvalidParameter;
  }
  // Every pen is mitered: the programs ask for no other join.
  return lineJoin == LineJoinMiter ? Ok : NotImplemented;
}

GpStatus WINGDIPAPI GdipCreateSolidFill(ARGB color, GpSolidFill** brush) {
  return Create(Objects().brushes, GpBrush{color}, brush);
}

GpStatus WINGDIPAPI GdipDeleteBrush(GpBrush* brush) { return Delete(Objects().brushes, brush); }

GpStatus WINGDIPAPI GdipCreateFontFamilyFromName(const WCHAR* name, GpFontCollection* fontCollection,
                                                 GpFontFamily** fontFamily) {
  // Only the installed fonts are offered, as a collection of null names them.
  if (name == nullptr || fontCollection != nullptr) {
    return InvalidParameter;
  }
  return Create(Objects().fontFamilies, GpFontFamily{core::ToLatin1(name)}, fontFamily);
}

GpStatus WINGDIPAPI GdipDeleteFontFamily(GpFontFamily* fontFamily) {
  return Delete(Objects().fontFamilies, fontFamily);
}

GpStatus WINGDIPAPI GdipCreateFont(const GpFontFamily* fontFamily, REAL emSize, INT style, GpUnit unit, GpFont** font) {
  // Sizes are kept in pixels, and the one style offered is the regular one.
  if (!Objects().fontFamilies.Contains(fontFamily) || !(emSize > 0) || style != FontStyleRegular ||
      unit != UnitPixel) {
    return InvalidParameter;
  }
  std::unique_ptr<core::NativeFont> native = core::TheSession().backend->OpenFont(fontFamily->name, emSize);
  if (native == nullptr) {
    return FontFamilyNotFound;
  }
  return Create(Objects().fonts, GpFont{std::move(native)}, font);
}

GpStatus WINGDIPAPI GdipDeleteFont(GpFont* font) { return Delete(Objects().fonts, font); }

GpStatus WINGDIPAPI GdipGraphicsClear(GpGraphics* graphics, ARGB color) {
  if (!core::CanDraw(graphics)) {
    return InvalidParameter;
  }
  core::TheSession().backend->Fill(color);
  return Ok;
}

GpStatus WINGDIPAPI GdipDrawLines(GpGraphics* graphics, GpPen* pen, const GpPointF* points, INT count) {
  // A point that is no number has no place to be drawn at: nothing is drawn.
  if (!core::CanDraw(graphics) || !Objects().pens.Contains(pen) || points == nullptr || count < 2 ||
      !std::all_of(points, points + count,
                   [](const GpPointF& point) { return std::isfinite(point.X) && std::isfinite(point.Y); })) {
    return InvalidParameter;
  }
  if (!std::all_of(points, points + count,
                   [](const GpPointF& point) { return core::WithinReach(point.X) && core::WithinReach(point.Y); })) {
    return ValueOverflow;
  }
  if (!core::Opaque(pen->color)) {
    return NotImplemented;
  }
  core::TheSession().backend->DrawLines(points, count, pen->color, pen->width);
  return Ok;
}

GpStatus WINGDIPAPI GdipDrawString(GpGraphics* graphics, const WCHAR* string, INT length, const GpFont* font,
                                   const RectF* layoutRect, const GpStringFormat* stringFormat, const GpBrush* brush) {
  // Only a whole zero-terminated text, from the top-left corner of a rectangle that neither wraps nor clips it.
  core::GdiplusObjects& objects = Objects();
  if (!core::CanDraw(graphics) || string == nullptr || length != -1 || !objects.fonts.Contains(font) ||
      layoutRect == nullptr || layoutRect->Width != 0 || layoutRect->Height != 0 || stringFormat != nullptr ||
      !objects.brushes.Contains(brush)) {
    return InvalidParameter;
  }
  if (!core::WithinReach(layoutRect->X) || !core::WithinReach(layoutRect->Y)) {
    return ValueOverflow;
  }
  if (!core::Opaque(brush->color)) {
    return NotImplemented;
  }
  core::TheSession().backend->DrawText(*font->native, core::ToLatin1(string), layoutRect->X, layoutRect->Y,
                                       brush->color);
  return Ok;
}
