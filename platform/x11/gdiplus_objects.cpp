#include "platform/x11/gdiplus_objects.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/x11/connection.h"
#include "platform/x11/handle_table.h"
#include "platform/x11/screen.h"

namespace x11 {
namespace {

std::vector<ULONG_PTR> liveTokens;
ULONG_PTR lastToken;
HandleTable<GpGraphics> graphicsTable;
HandleTable<GpPen> pens;
HandleTable<GpBrush> brushes;
HandleTable<GpFontFamily> fontFamilies;
HandleTable<GpFont> fonts;

}  // namespace

bool GdiplusStarted() { return !liveTokens.empty(); }
bool IsLiveGraphics(const GpGraphics* graphics) { return graphicsTable.Contains(graphics); }
bool IsLivePen(const GpPen* pen) { return pens.Contains(pen); }
bool IsLiveBrush(const GpBrush* brush) { return brushes.Contains(brush); }
bool IsLiveFontFamily(const GpFontFamily* family) { return fontFamilies.Contains(family); }
bool IsLiveFont(const GpFont* font) { return fonts.Contains(font); }

std::string ToUtf8(const WCHAR* text) {
  std::string utf8;
  for (; *text != 0; ++text) {
    char32_t unit = *text;
    if (unit >= 0xD800 && unit < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (text[1] - 0xDC00);
      ++text;
    }
    if (unit < 0x80) {
      utf8 += static_cast<char>(unit);
    } else if (unit < 0x800) {
      utf8 += static_cast<char>(0xC0 | unit >> 6);
      utf8 += static_cast<char>(0x80 | (unit & 0x3F));
    } else if (unit < 0x10000) {
      utf8 += static_cast<char>(0xE0 | unit >> 12);
      utf8 += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | unit >> 18);
      utf8 += static_cast<char>(0x80 | (unit >> 12 & 0x3F));
      utf8 += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return utf8;
}

// Creates an object behind an output handle, as every GDI+ constructor does.
template <typename T>
GpStatus Create(HandleTable<T>& table, T object, T** handle) {
  if (handle == nullptr) {
    return InvalidParameter;
  }
  if (!GdiplusStarted()) {
    return GdiplusNotInitialized;
  }
  *handle = table.Add(std::make_unique<T>(std::move(object)));
  return Ok;
}

template <typename T>
GpStatus Delete(HandleTable<T>& table, T* handle) {
  return table.Remove(handle) != nullptr ? Ok : InvalidParameter;
}

// The family's font at the size where the server has it, else a sans-serif
// one of that size, else the server's "fixed", which every server has.
XFontStruct* LoadCoreFont(const std::string& family, REAL pixels) {
  Display* dpy = Connection();
  // No core font is anywhere near this big; the bound keeps the conversion defined.
  const long size = std::lround(std::min(pixels, 4096.0f));
  const std::string sized = "-medium-r-normal--" + std::to_string(size) + "-*-*-*-*-*-iso8859-1";
  for (const std::string& name : {"-*-" + family + sized, "-*-helvetica" + sized, std::string("fixed")}) {
    if (XFontStruct* font = XLoadQueryFont(dpy, name.c_str())) {
      return font;
    }
  }
  return nullptr;
}

}  // namespace x11

void GpFont::Release::operator()(XFontStruct* font) const { XFreeFont(x11::Connection(), font); }

using x11::Create;
using x11::Delete;

GpStatus WINGDIPAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput*) {
  if (token == nullptr || input == nullptr) {
    return InvalidParameter;
  }
  if (input->GdiplusVersion != 1) {
    return UnsupportedGdiplusVersion;
  }
  *token = ++x11::lastToken;
  x11::liveTokens.push_back(*token);
  return Ok;
}

void WINGDIPAPI GdiplusShutdown(ULONG_PTR token) {
  auto& tokens = x11::liveTokens;
  tokens.erase(std::remove(tokens.begin(), tokens.end(), token), tokens.end());
}

GpStatus WINGDIPAPI GdipCreateFromHDC(HDC dc, GpGraphics** graphics) {
  if (!x11::IsLiveDC(dc)) {
    return InvalidParameter;
  }
  return Create(x11::graphicsTable, GpGraphics{dc}, graphics);
}

GpStatus WINGDIPAPI GdipDeleteGraphics(GpGraphics* graphics) { return Delete(x11::graphicsTable, graphics); }

GpStatus WINGDIPAPI GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen) {
  // Widths are kept in pixels; there is no page transform to convert other units with.
  if (unit != UnitPixel) {
    return InvalidParameter;
  }
  return Create(x11::pens, GpPen{color, width, LineJoinMiter}, pen);
}

GpStatus WINGDIPAPI GdipDeletePen(GpPen* pen) { return Delete(x11::pens, pen); }

GpStatus WINGDIPAPI GdipSetPenColor(GpPen* pen, ARGB color) {
  if (!x11::IsLivePen(pen)) {
    return InvalidParameter;
  }
  pen->color = color;
  return Ok;
}

GpStatus WINGDIPAPI GdipSetPenWidth(GpPen* pen, REAL width) {
  if (!x11::IsLivePen(pen)) {
    return InvalidParameter;
  }
  pen->width = width;
  return Ok;
}

GpStatus WINGDIPAPI GdipSetPenLineJoin(GpPen* pen, GpLineJoin lineJoin) {
  if (!x11::IsLivePen(pen) || lineJoin < LineJoinMiter || lineJoin > LineJoinMiterClipped) {
    return InvalidParameter;
  }
  pen->lineJoin = lineJoin;
  return Ok;
}

GpStatus WINGDIPAPI GdipCreateSolidFill(ARGB color, GpSolidFill** brush) {
  return Create(x11::brushes, GpBrush{color}, brush);
}

GpStatus WINGDIPAPI GdipDeleteBrush(GpBrush* brush) { return Delete(x11::brushes, brush); }

GpStatus WINGDIPAPI GdipCreateFontFamilyFromName(const WCHAR* name, GpFontCollection* fontCollection,
                                                 GpFontFamily** fontFamily) {
  // Only the installed fonts are offered, as a collection of null names them.
  if (name == nullptr || fontCollection != nullptr) {
    return InvalidParameter;
  }
  return Create(x11::fontFamilies, GpFontFamily{x11::ToUtf8(name)}, fontFamily);
}

GpStatus WINGDIPAPI GdipDeleteFontFamily(GpFontFamily* fontFamily) { return Delete(x11::fontFamilies, fontFamily); }

GpStatus WINGDIPAPI GdipCreateFont(const GpFontFamily* fontFamily, REAL emSize, INT style, GpUnit unit, GpFont** font) {
  // Sizes are kept in pixels, and the one style offered is the regular one.
  if (!x11::IsLiveFontFamily(fontFamily) || !(emSize > 0) || style != FontStyleRegular || unit != UnitPixel) {
    return InvalidParameter;
  }
  XFontStruct* core = x11::LoadCoreFont(fontFamily->name, emSize);
  if (core == nullptr) {
    return FontFamilyNotFound;
  }
  return Create(x11::fonts, GpFont{std::unique_ptr<XFontStruct, GpFont::Release>(core)}, font);
}

GpStatus WINGDIPAPI GdipDeleteFont(GpFont* font) { return Delete(x11::fonts, font); }
