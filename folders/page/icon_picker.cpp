#include "page/icon_picker.h"

#include "server/module.h"

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

BOOL PickIcon(HWND hOwner, WCHAR* pszFile, int* pnIndex)
{
    PickIconDlgProc pfnPickIconDlg = FindPickIconDlg();
    if (!pfnPickIconDlg)
        return FALSE;
    WCHAR szFile[MAX_PATH];
    lstrcpynW(szFile, pszFile, MAX_PATH);
    int nIndex = *pnIndex;
    if (!pfnPickIconDlg(hOwner, szFile, MAX_PATH, &nIndex))
        return FALSE;
    lstrcpyW(pszFile, szFile);
    *pnIndex = nIndex;
    return TRUE;
}
