// Process entry, window class and window, message loop, window procedure.
#pragma once

#include "platform/platform.h"

extern HINSTANCE hInstance;

extern "C" [[noreturn]] void Start();
UINT WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, INT showCommand);
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr WORD appIconId = 100;

// The notice's caption, the window class and the window title.
constexpr LPCSTR appName = "test";
