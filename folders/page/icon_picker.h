#pragma once
// The shell's icon picker, which takes wide text on every NT-based Windows.
#include <windows.h>

// Shows the picker on the file (a MAX_PATH buffer) and index. They change
// only when the user confirms a choice, and then the answer is TRUE.
BOOL PickIcon(HWND hOwner, WCHAR* pszFile, int* pnIndex);
