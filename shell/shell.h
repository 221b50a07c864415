// Process entry, window class and window, message loop, window procedure.
#pragma once

#include "platform/platform.h"

extern HINSTANCE hInstance;

extern "C" [[noreturn]] void Start();
UINT WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, INT showCommand);
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr WORD appIconId = 100;

// The keys that went down while the window had the keyboard, one bit for
// each of the 256 virtual-key codes: only the release of one of them ends
// the program.
extern DWORD keysDown[8];

// The notice's caption, the window class and the window title.
constexpr LPCSTR appName = "test";
