#include "page/icon_picker.h"

#include "server/module.h"
#include "server/record.h"

typedef int(WINAPI* PickIconDlgProc)(HWND hOwner, WCHAR* pwszFile, UINT cchFile, int* pnIndex);

static const WORD s_nPickIconDlgOrdinal = 62;

static PickIconDlgProc FindPickIconDlg()
{
    HMODULE hShell32 = g_hShell32 ? g_hShell32 : GetModuleHandleA("shell32.dll");
    if (!hShell32)
        return nullptr;
    return reinterpret_cast<PickIconDlgProc>(reinterpret_cast<void*>(
        GetProcAddress(hShell32, MAKEINTRESOURCEA(s_nPickIconDlgOrdinal))));
}

void PickIcon(HWND hOwner, char* pszFile, int* pnIndex)
{
    PickIconDlgProc pfnPickIconDlg = FindPickIconDlg();
    if (!pfnPickIconDlg)
        return;
    WCHAR wszFile[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, pszFile, -1, wszFile, MAX_PATH))
        wszFile[0] = L'\0';
    int nIndex = *pnIndex;
    if (!pfnPickIconDlg(hOwner, wszFile, MAX_PATH, &nIndex))
        return;
    // A character that the code page cannot hold would come back as '?' or
    // a look-alike, naming another file.
    char szChosen[MAX_PATH];
    if (!WidePathToAnsi(wszFile, szChosen))
        return;
    lstrcpyA(pszFile, szChosen);
    *pnIndex = nIndex;
}
