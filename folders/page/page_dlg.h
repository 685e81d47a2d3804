#pragma once
// The "Icon" page's dialog procedure; its state is the CIconPropSheetExt that
// the page record names.
#include <windows.h>

INT_PTR CALLBACK PageDlgProc(HWND hPage, UINT uMsg, WPARAM wParam, LPARAM lParam);
