// A platform that records every call with its arguments, in order, and
// answers with what the test scripted.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace recording {

// The handles the recording platform hands out, printed by these names.
inline const HDC screenDC = reinterpret_cast<HDC>(0xDC00);
inline GpGraphics* const graphicsHandle = reinterpret_cast<GpGraphics*>(0x6A00);
inline GpPen* const penHandle = reinterpret_cast<GpPen*>(0x9E00);
inline GpSolidFill* const brushHandle = reinterpret_cast<GpSolidFill*>(0xB500);
inline const HWND windowHandle = reinterpret_cast<HWND>(0x3300);
inline const HINSTANCE moduleHandle = reinterpret_cast<HINSTANCE>(0x400000);
inline const HICON iconHandle = reinterpret_cast<HICON>(0x1C00);
inline GpFontFamily* const fontFamilyHandle = reinterpret_cast<GpFontFamily*>(0xFA00);
inline GpFont* const fontHandle = reinterpret_cast<GpFont*>(0xF000);
constexpr ULONG_PTR defaultToken = 0x70C;

struct Script {
  // GdiplusStartup writes this token; with writeToken false it writes nothing.
  bool writeToken = true;
  ULONG_PTR token = defaultToken;
  HICON icon = iconHandle;
  WORD classAtom = 0xC001;
  HWND createdWindow = windowHandle;
  DWORD tickCount = 0;
  LRESULT defWindowProcResult = 0;
  // What GetMessageA hands out, in order; once empty it hands out WM_QUIT with 0.
  std::deque<MSG> messages;
};

// Thrown by ExitProcess, which must not return.
struct ProcessExit {
  UINT code;
};

Script& TheScript();
const std::vector<std::string>& Calls();
// The class record of the latest RegisterClassExA, copied at the call.
const WNDCLASSEXA& RegisteredClass();
// The points of every GdipDrawLines call, copied at the call.
const std::vector<std::vector<GpPointF>>& DrawnPolylines();
// The text of every GdipDrawString call, copied at the call.
const std::vector<std::u16string>& DrawnTexts();

// Forgets the calls and restores the default script.
void Reset();

// Calls mention this address by name from now on.
void NameAddress(const void* address, const std::string& name);

}  // namespace recording
