#include "server/module.h"

#include <shlwapi.h>

HINSTANCE g_hInstance;
HMODULE g_hShell32;
volatile LONG g_cModuleRefs;
volatile UINT g_cPageRefs;

// {5E676C24-194A-11D1-9FCB-4854E821E610}
const CLSID CLSID_FolderIcons =
    {0x5E676C24, 0x194A, 0x11D1, {0x9F, 0xCB, 0x48, 0x54, 0xE8, 0x21, 0xE6, 0x10}};

void ModuleAddRef()
{
    InterlockedIncrement(&g_cModuleRefs);
}

void ModuleRelease()
{
    InterlockedDecrement(&g_cModuleRefs);
}

// Traces go to the debugger: a box would stop the shell's thread in front
// of the user as often as the shell calls.
void TraceMessage(const char* pszText, long nNumber)
{
    char szTrace[256];
    wnsprintfA(szTrace, sizeof szTrace, "%s : %ld\n", pszText, nNumber);
    OutputDebugStringA(szTrace);
}
