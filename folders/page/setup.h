#pragma once
// The library's setup entry points. The setup file calls two by RunDLL:
//   rundll32 folders.dll,Install
//   rundll32 folders.dll,Uninstall
// and the setup package calls the third as a custom action on removal.
#include <windows.h>

#include <msi.h>

extern "C" {
void CALLBACK Install(HWND hwnd, HINSTANCE hInstance, LPSTR pszCmdLine, int nCmdShow);
void CALLBACK Uninstall(HWND hwnd, HINSTANCE hInstance, LPSTR pszCmdLine, int nCmdShow);
UINT WINAPI PackageUninstall(MSIHANDLE hInstall);
}
