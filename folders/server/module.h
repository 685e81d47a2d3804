#pragma once
// State shared by the whole library, and the one class identifier it serves.
#include <windows.h>

extern HINSTANCE g_hInstance;
extern HMODULE g_hShell32;
// Every live object holds one count here. Changed by interlocked calls
// only: the shell calls us on several threads.
extern volatile LONG g_cModuleRefs;
// Every live property page holds one count here, changed by the property
// sheet alone (some sheets change it without interlocked calls, which would
// lose the objects' changes to a shared count). The shell may unload the
// library only when both are zero.
extern volatile UINT g_cPageRefs;

extern const CLSID CLSID_FolderIcons;

void ModuleAddRef();
void ModuleRelease();
void TraceMessage(const char* pszText, long nNumber);
