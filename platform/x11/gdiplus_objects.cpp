#include "platform/x11/gdiplus_objects.h"

#include <algorithm>
#include <vector>

#include "platform/x11/handle_table.h"
#include "platform/x11/screen_dc.h"

namespace x11 {
namespace {

std::vector<ULONG_PTR> liveTokens;
ULONG_PTR lastToken;
HandleTable<GpGraphics> graphicsTable;
HandleTable<GpPen> pens;
HandleTable<GpBrush> brushes;

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

}  // namespace

bool GdiplusStarted() { return !liveTokens.empty(); }
bool IsLiveGraphics(const GpGraphics* graphics) { return graphicsTable.Contains(graphics); }
bool IsLivePen(const GpPen* pen) { return pens.Contains(pen); }

}  // namespace x11

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
  return Create(x11::graphicsTable, GpGraphics{dc, nullptr}, graphics);
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
