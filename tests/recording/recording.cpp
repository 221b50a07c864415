#include "tests/recording/recording.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

namespace recording {
namespace {

Script script;
std::vector<std::string> calls;
WNDCLASSEXA registeredClass;
std::vector<std::vector<GpPointF>> polylines;
std::vector<std::u16string> drawnTexts;
std::map<const void*, std::string> names = {
    {screenDC, "hdc"},         {graphicsHandle, "graphics"}, {penHandle, "pen"}, {brushHandle, "brush"},
    {windowHandle, "window"},  {moduleHandle, "module"},     {iconHandle, "icon"},
    {reinterpret_cast<const void*>(defaultToken), "token"},
    {fontFamilyHandle, "fontFamily"}, {fontHandle, "font"},
};

struct Hex {
  std::uint64_t value;
};
struct Real {
  float value;
};

std::string Format(const void* pointer) {
  if (pointer == nullptr) {
    return "null";
  }
  const auto named = names.find(pointer);
  if (named != names.end()) {
    return named->second;
  }
  std::ostringstream out;
  out << pointer;
  return out.str();
}
std::string Format(LPCSTR text) { return text == nullptr ? "null" : "\"" + std::string(text) + "\""; }
std::string Format(Hex hex) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(hex.value));
  return text;
}
// The shortest decimal that reads back as the same float32, marked with an f.
std::string Format(Real bits) {
  char text[32];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, bits.value);
  return std::string(text, end.ptr) + "f";
}
std::string Format(long long number) { return std::to_string(number); }

template <typename... Arguments>
void Record(const char* name, Arguments... arguments) {
  std::string call = name;
  call += "(";
  [[maybe_unused]] const char* separator = "";
  ((call += separator, call += Format(arguments), separator = ", "), ...);
  call += ")";
  calls.push_back(call);
}

// Integer resources are printed as #id, as resource tools write them.
std::string ResourceName(LPCSTR name) {
  const auto value = reinterpret_cast<ULONG_PTR>(name);
  return value < 0x10000 ? "#" + std::to_string(value) : Format(name);
}

}  // namespace

Script& TheScript() { return script; }
const std::vector<std::string>& Calls() { return calls; }
const WNDCLASSEXA& RegisteredClass() { return registeredClass; }
const std::vector<std::vector<GpPointF>>& DrawnPolylines() { return polylines; }
const std::vector<std::u16string>& DrawnTexts() { return drawnTexts; }

void Reset() {
  script = Script{};
  calls.clear();
  registeredClass = WNDCLASSEXA{};
  polylines.clear();
  drawnTexts.clear();
}

void NameAddress(const void* address, const std::string& name) { names[address] = name; }

}  // namespace recording

using recording::Real;
using recording::Format;
using recording::Hex;
using recording::Record;
using recording::script;

INT WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  Record("MessageBoxA", static_cast<const void*>(owner), text, caption, Hex{type});
  return 1;
}

HINSTANCE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  Record("GetModuleHandleA", moduleName);
  return recording::moduleHandle;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR iconName) {
  recording::calls.push_back("LoadIconA(" + Format(instance) + ", " + recording::ResourceName(iconName) + ")");
  return script.icon;
}

WORD WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass) {
  Record("RegisterClassExA", static_cast<const void*>(windowClass));
  recording::registeredClass = *windowClass;
  return script.classAtom;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, INT x, INT y,
                            INT width, INT height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
  Record("CreateWindowExA", Hex{exStyle}, className, windowName, Hex{style}, 0LL + x, 0LL + y, 0LL + width,
         0LL + height, static_cast<const void*>(parent), static_cast<const void*>(menu),
         static_cast<const void*>(instance), static_cast<const void*>(param));
  return script.createdWindow;
}

BOOL WINAPI ShowWindow(HWND window, INT showCommand) {
  Record("ShowWindow", static_cast<const void*>(window), 0LL + showCommand);
  return FALSE;
}

BOOL WINAPI UpdateWindow(HWND window) {
  Record("UpdateWindow", static_cast<const void*>(window));
  return TRUE;
}

BOOL WINAPI GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax) {
  Record("GetMessageA", static_cast<const void*>(message), static_cast<const void*>(window), 0LL + filterMin,
         0LL + filterMax);
  if (script.messages.empty()) {
    *message = MSG{nullptr, WM_QUIT, 0, 0, 0, POINT{0, 0}};
  } else {
    *message = script.messages.front();
    script.messages.pop_front();
  }
  return message->message != WM_QUIT;
}

BOOL WINAPI TranslateMessage(const MSG* message) {
  Record("TranslateMessage", Hex{message->message});
  return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message) {
  Record("DispatchMessageA", Hex{message->message});
  return 0;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Record("DefWindowProcA", static_cast<const void*>(window), Hex{message}, Hex{wParam},
         Hex{static_cast<std::uint64_t>(lParam)});
  return script.defWindowProcResult;
}

void WINAPI PostQuitMessage(INT exitCode) { Record("PostQuitMessage", 0LL + exitCode); }

HDC WINAPI GetDC(HWND window) {
  Record("GetDC", static_cast<const void*>(window));
  return recording::screenDC;
}

INT WINAPI ReleaseDC(HWND window, HDC dc) {
  Record("ReleaseDC", static_cast<const void*>(window), static_cast<const void*>(dc));
  return 1;
}

void WINAPI Sleep(DWORD milliseconds) { Record("Sleep", 0LL + milliseconds); }

void WINAPI ExitProcess(UINT exitCode) {
  Record("ExitProcess", 0LL + exitCode);
  throw recording::ProcessExit{exitCode};
}

DWORD WINAPI GetTickCount() {
  Record("GetTickCount");
  return script.tickCount;
}

INT WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = std::vsnprintf(buffer, 1024, format, arguments);
  va_end(arguments);
  Record("wsprintfA", static_cast<const void*>(buffer), format);
  return written;
}

GpStatus WINGDIPAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output) {
  Record("GdiplusStartup", static_cast<const void*>(token), static_cast<const void*>(input),
         static_cast<const void*>(output));
  if (script.writeToken) {
    *token = script.token;
  }
  return Ok;
}

void WINGDIPAPI GdiplusShutdown(ULONG_PTR token) {
  Record("GdiplusShutdown", reinterpret_cast<const void*>(token));
}

GpStatus WINGDIPAPI GdipCreateFromHDC(HDC dc, GpGraphics** graphics) {
  Record("GdipCreateFromHDC", static_cast<const void*>(dc), static_cast<const void*>(graphics));
  *graphics = recording::graphicsHandle;
  return Ok;
}

GpStatus WINGDIPAPI GdipDeleteGraphics(GpGraphics* graphics) {
  Record("GdipDeleteGraphics", static_cast<const void*>(graphics));
  return Ok;
}

GpStatus WINGDIPAPI GdipGraphicsClear(GpGraphics* graphics, ARGB color) {
  Record("GdipGraphicsClear", static_cast<const void*>(graphics), Hex{color});
  return Ok;
}

GpStatus WINGDIPAPI GdipDrawLines(GpGraphics* graphics, GpPen* pen, const GpPointF* points, INT count) {
  Record("GdipDrawLines", static_cast<const void*>(graphics), static_cast<const void*>(pen),
         static_cast<const void*>(points), 0LL + count);
  recording::polylines.emplace_back(points, points + count);
  return Ok;
}

GpStatus WINGDIPAPI GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen) {
  Record("GdipCreatePen1", Hex{color}, Real{width}, 0LL + unit, static_cast<const void*>(pen));
  *pen = recording::penHandle;
  return Ok;
}

GpStatus WINGDIPAPI GdipDeletePen(GpPen* pen) {
  Record("GdipDeletePen", static_cast<const void*>(pen));
  return Ok;
}

GpStatus WINGDIPAPI GdipSetPenColor(GpPen* pen, ARGB color) {
  Record("GdipSetPenColor", static_cast<const void*>(pen), Hex{color});
  return Ok;
}

GpStatus WINGDIPAPI GdipSetPenWidth(GpPen* pen, REAL width) {
  Record("GdipSetPenWidth", static_cast<const void*>(pen), Real{width});
  return Ok;
}

GpStatus WINGDIPAPI GdipSetPenLineJoin(GpPen* pen, GpLineJoin lineJoin) {
  Record("GdipSetPenLineJoin", static_cast<const void*>(pen), 0LL + lineJoin);
  return Ok;
}

GpStatus WINGDIPAPI GdipCreateSolidFill(ARGB color, GpSolidFill** brush) {
  Record("GdipCreateSolidFill", Hex{color}, static_cast<const void*>(brush));
  *brush = recording::brushHandle;
  return Ok;
}

GpStatus WINGDIPAPI GdipDeleteBrush(GpBrush* brush) {
  Record("GdipDeleteBrush", static_cast<const void*>(brush));
  return Ok;
}

GpStatus WINGDIPAPI GdipCreateFontFamilyFromName(const WCHAR* name, GpFontCollection* fontCollection,
                                                 GpFontFamily** fontFamily) {
  Record("GdipCreateFontFamilyFromName", static_cast<const void*>(name), static_cast<const void*>(fontCollection),
         static_cast<const void*>(fontFamily));
  *fontFamily = recording::fontFamilyHandle;
  return Ok;
}

GpStatus WINGDIPAPI GdipDeleteFontFamily(GpFontFamily* fontFamily) {
  Record("GdipDeleteFontFamily", static_cast<const void*>(fontFamily));
  return Ok;
}

GpStatus WINGDIPAPI GdipCreateFont(const GpFontFamily* fontFamily, REAL emSize, INT style, GpUnit unit, GpFont** font) {
  Record("GdipCreateFont", static_cast<const void*>(fontFamily), Real{emSize}, 0LL + style, 0LL + unit,
         static_cast<const void*>(font));
  *font = recording::fontHandle;
  return Ok;
}

GpStatus WINGDIPAPI GdipDeleteFont(GpFont* font) {
  Record("GdipDeleteFont", static_cast<const void*>(font));
  return Ok;
}

GpStatus WINGDIPAPI GdipDrawString(GpGraphics* graphics, const WCHAR* string, INT length, const GpFont* font,
                                   const RectF* layoutRect, const GpStringFormat* stringFormat, const GpBrush* brush) {
  Record("GdipDrawString", static_cast<const void*>(graphics), static_cast<const void*>(string), 0LL + length,
         static_cast<const void*>(font), static_cast<const void*>(layoutRect),
         static_cast<const void*>(stringFormat), static_cast<const void*>(brush));
  recording::drawnTexts.emplace_back(string);
  return Ok;
}
