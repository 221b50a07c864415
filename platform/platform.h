// The Windows and GDI+ operations the programs call, with the Windows names,
// types and record layouts. On Windows they bind to user32, kernel32 and
// gdiplus; on Linux our X11 layer provides them; the unit tests link a
// recording layer instead.
#pragma once

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define WINAPI __attribute__((stdcall))
#define WINAPIV __attribute__((cdecl))
#else
#define WINAPI
#define WINAPIV
#endif

// On Windows the calls go straight through the import table, without a jump stub each.
#if defined(_WIN32)
#define WINIMPORT __attribute__((dllimport))
#else
#define WINIMPORT
#endif
#define CALLBACK WINAPI

typedef std::int32_t BOOL;
typedef std::int32_t INT;
typedef std::uint32_t UINT;
typedef std::int32_t LONG;
typedef std::uint32_t DWORD;
typedef std::uint16_t WORD;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef std::uintptr_t ULONG_PTR;
typedef const char* LPCSTR;
typedef char* LPSTR;
// A UTF-16 unit, as WCHAR is on Windows.
typedef char16_t WCHAR;

typedef struct HWND__* HWND;
typedef struct HDC__* HDC;
typedef struct HINSTANCE__* HINSTANCE;
typedef struct HICON__* HICON;
typedef struct HICON__* HCURSOR;
typedef struct HBRUSH__* HBRUSH;
typedef struct HMENU__* HMENU;

#define FALSE 0
#define TRUE 1

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXA {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  INT cbClsExtra;
  INT cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
  HICON hIconSm;
};

struct POINT {
  LONG x;
  LONG y;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

#define MAKEINTRESOURCEA(id) (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id))))

enum : UINT {
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_ERASEBKGND = 0x0014,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_SYSKEYDOWN = 0x0104,
  WM_SYSKEYUP = 0x0105,
  WM_SYSCOMMAND = 0x0112,
};

enum : UINT {
  MB_OK = 0x00000000,
  CS_VREDRAW = 0x0001,
  CS_HREDRAW = 0x0002,
  CS_BYTEALIGNWINDOW = 0x2000,
  SC_CLOSE = 0xF060,
};

// Virtual-key codes.
enum : WPARAM {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,
  VK_PAUSE = 0x13,
  VK_CAPITAL = 0x14,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_LWIN = 0x5B,
  VK_RWIN = 0x5C,
  VK_APPS = 0x5D,
  VK_F1 = 0x70,
  VK_F4 = 0x73,
  VK_F10 = 0x79,
  VK_F24 = 0x87,
  VK_NUMLOCK = 0x90,
  VK_SCROLL = 0x91,
};

// Flags in the high word of a keyboard message's key data.
enum : WORD {
  KF_ALTDOWN = 0x2000,
  KF_REPEAT = 0x4000,
  KF_UP = 0x8000,
};

constexpr WORD HIWORD(LPARAM value) { return static_cast<WORD>((static_cast<ULONG_PTR>(value) >> 16) & 0xFFFF); }

enum : DWORD {
  WS_POPUP = 0x80000000u,
  WS_BORDER = 0x00800000u,
  WS_SYSMENU = 0x00080000u,
  WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU,
};

enum : INT {
  SW_SHOWMAXIMIZED = 3,
  SW_SHOWDEFAULT = 10,
};

// GDI+ flat interface.
#define WINGDIPAPI WINAPI

typedef float REAL;
typedef DWORD ARGB;

struct GpPointF {
  REAL X;
  REAL Y;
};

struct GdiplusStartupInput {
  UINT GdiplusVersion;
  void* DebugEventCallback;
  BOOL SuppressBackgroundThread;
  BOOL SuppressExternalCodecs;
};
struct GdiplusStartupOutput;

struct RectF {
  REAL X;
  REAL Y;
  REAL Width;
  REAL Height;
};

struct GpGraphics;
struct GpPen;
struct GpBrush;
typedef GpBrush GpSolidFill;
struct GpFontCollection;
struct GpFontFamily;
struct GpFont;
struct GpStringFormat;

enum GpStatus : INT {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  NotImplemented = 6,
  ValueOverflow = 11,
  FontFamilyNotFound = 14,
  UnsupportedGdiplusVersion = 17,
  GdiplusNotInitialized = 18,
};

enum GpUnit : INT { UnitPixel = 2 };
enum FontStyle : INT { FontStyleRegular = 0 };
enum GpLineJoin : INT { LineJoinMiter = 0, LineJoinBevel = 1, LineJoinRound = 2, LineJoinMiterClipped = 3 };

extern "C" {

WINIMPORT INT WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
WINIMPORT HINSTANCE WINAPI GetModuleHandleA(LPCSTR moduleName);
WINIMPORT HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR iconName);
WINIMPORT WORD WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass);
WINIMPORT HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, INT x, INT y,
                            INT width, INT height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
WINIMPORT BOOL WINAPI ShowWindow(HWND window, INT showCommand);
WINIMPORT BOOL WINAPI UpdateWindow(HWND window);
WINIMPORT BOOL WINAPI GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax);
WINIMPORT BOOL WINAPI TranslateMessage(const MSG* message);
WINIMPORT LRESULT WINAPI DispatchMessageA(const MSG* message);
WINIMPORT LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WINIMPORT void WINAPI PostQuitMessage(INT exitCode);
WINIMPORT HDC WINAPI GetDC(HWND window);
WINIMPORT INT WINAPI ReleaseDC(HWND window, HDC dc);
WINIMPORT void WINAPI Sleep(DWORD milliseconds);
[[noreturn]] WINIMPORT void WINAPI ExitProcess(UINT exitCode);
WINIMPORT DWORD WINAPI GetTickCount();
WINIMPORT INT WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...);

WINIMPORT GpStatus WINGDIPAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
WINIMPORT void WINGDIPAPI GdiplusShutdown(ULONG_PTR token);
WINIMPORT GpStatus WINGDIPAPI GdipCreateFromHDC(HDC dc, GpGraphics** graphics);
WINIMPORT GpStatus WINGDIPAPI GdipDeleteGraphics(GpGraphics* graphics);
WINIMPORT GpStatus WINGDIPAPI GdipGraphicsClear(GpGraphics* graphics, ARGB color);
WINIMPORT GpStatus WINGDIPAPI GdipDrawLines(GpGraphics* graphics, GpPen* pen, const GpPointF* points, INT count);
WINIMPORT GpStatus WINGDIPAPI GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen);
WINIMPORT GpStatus WINGDIPAPI GdipDeletePen(GpPen* pen);
WINIMPORT GpStatus WINGDIPAPI GdipSetPenColor(GpPen* pen, ARGB color);
WINIMPORT GpStatus WINGDIPAPI GdipSetPenWidth(GpPen* pen, REAL width);
WINIMPORT GpStatus WINGDIPAPI GdipSetPenLineJoin(GpPen* pen, GpLineJoin lineJoin);
WINIMPORT GpStatus WINGDIPAPI GdipCreateSolidFill(ARGB color, GpSolidFill** brush);
WINIMPORT GpStatus WINGDIPAPI GdipDeleteBrush(GpBrush* brush);
WINIMPORT GpStatus WINGDIPAPI GdipCreateFontFamilyFromName(const WCHAR* name, GpFontCollection* fontCollection,
                                                           GpFontFamily** fontFamily);
WINIMPORT GpStatus WINGDIPAPI GdipDeleteFontFamily(GpFontFamily* fontFamily);
WINIMPORT GpStatus WINGDIPAPI GdipCreateFont(const GpFontFamily* fontFamily, REAL emSize, INT style, GpUnit unit,
                                             GpFont** font);
WINIMPORT GpStatus WINGDIPAPI GdipDeleteFont(GpFont* font);
WINIMPORT GpStatus WINGDIPAPI GdipDrawString(GpGraphics* graphics, const WCHAR* string, INT length, const GpFont* font,
                                             const RectF* layoutRect, const GpStringFormat* stringFormat,
                                             const GpBrush* brush);
}

#if defined(_WIN32)
static_assert(sizeof(WNDCLASSEXA) == (sizeof(void*) == 4 ? 48 : 80), "WNDCLASSEXA layout");
static_assert(sizeof(MSG) == (sizeof(void*) == 4 ? 28 : 48), "MSG layout");
static_assert(sizeof(GdiplusStartupInput) == (sizeof(void*) == 4 ? 16 : 24), "GdiplusStartupInput layout");
static_assert(sizeof(WCHAR) == sizeof(wchar_t), "WCHAR is a UTF-16 unit");
#endif
