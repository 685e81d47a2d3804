#pragma once
// State shared by the whole library, and the one class identifier it serves.
#include <windows.h>

extern HINSTANCE g_hInstance;
extern HMODULE g_hShell32;
// Every live object and every live property page holds one count here; the
// shell may unload the library only at zero. Changed by interlocked calls
// only: the shell calls us on several threads.
extern volatile LONG g_cModuleRefs;

extern const CLSID CLSID_FolderIcons;

void ModuleAddRef();
void ModuleRelease();
void TraceMessage(const char* pszText, long nNumber);
