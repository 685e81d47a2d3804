#pragma once
// The library's two setup entry points, called by RunDLL from the setup file:
//   rundll32 folders.dll,Install
//   rundll32 folders.dll,Uninstall
#include <windows.h>

extern "C" {
void CALLBACK Install(HWND hwnd, HINSTANCE hInstance, LPSTR pszCmdLine, int nCmdShow);
void CALLBACK Uninstall(HWND hwnd, HINSTANCE hInstance, LPSTR pszCmdLine, int nCmdShow);
}
