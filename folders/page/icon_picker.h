#pragma once
// The shell's icon picker, which takes wide text on every NT-based Windows.
#include <windows.h>

// Shows the picker on the 8-bit file and index. They change only when the
// user confirms a choice that the system code page can spell exactly.
void PickIcon(HWND hOwner, char* pszFile, int* pnIndex);
