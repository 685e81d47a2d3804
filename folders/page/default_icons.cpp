#include "server/prop_sheet_ext.h"

#include "page/text_values.h"
#include "server/icon_origin.h"

#include <shlwapi.h>

static const char s_szShellIconsKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";
static const char s_szClosedFolderValue[] = "3";
static const char s_szOpenFolderValue[] = "4";
// The shell's own folder icons, by their place in shell32.dll.
static const int s_nShellClosedFolderIndex = 3;
static const int s_nShellOpenFolderIndex = 4;
// Room for a full path, a comma and an index.
static const DWORD s_cbShellIconValue = 292;

// Without a replacement in "Shell Icons" the shell draws its own folder
// icons, so those are what the page shows and writes by default.
static void SetShellFolderIcons(WCHAR* pszFileClosed, int* pnIndexClosed, WCHAR* pszFileOpened,
                                int* pnIndexOpened)
{
    WCHAR szSystem[MAX_PATH];
    UINT cch = GetSystemDirectoryW(szSystem, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        szSystem[0] = L'\0';
    wnsprintfW(pszFileClosed, MAX_PATH, L"%s\\shell32.dll", szSystem);
    wnsprintfW(pszFileOpened, MAX_PATH, L"%s\\shell32.dll", szSystem);
    *pnIndexClosed = s_nShellClosedFolderIndex;
    *pnIndexOpened = s_nShellOpenFolderIndex;
}

// The value is read as 8-bit text, as the shell's own settings are, and its
// environment strings expanded, as the shell expands them.
static BOOL ReadShellIcon(HKEY hKey, const char* pszValue, WCHAR* pszFile, int* pnIndex)
{
    char szText[s_cbShellIconValue];
    char szFile[MAX_PATH];
    WCHAR szName[MAX_PATH];
    WCHAR szExpanded[MAX_PATH];
    int nIndex = 0;
    if (!QueryValueText(hKey, pszValue, szText, sizeof szText) || !ParseIconLocation(szText, szFile, &nIndex) ||
        !MultiByteToWideChar(CP_ACP, 0, szFile, -1, szName, MAX_PATH) || !ExpandIconFileName(szName, szExpanded))
        return FALSE;
    lstrcpyW(pszFile, szExpanded);
    *pnIndex = nIndex;
    return TRUE;
}

BOOL CIconPropSheetExt::LoadDefaultFolderIcons()
{
    SetShellFolderIcons(m_szDefaultFileClosed, &m_nDefaultIndexClosed, m_szDefaultFileOpened,
                        &m_nDefaultIndexOpened);
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, s_szShellIconsKey, 0, KEY_QUERY_VALUE, &hKey) !=
        ERROR_SUCCESS)
        return FALSE;
    BOOL bBoth =
        ReadShellIcon(hKey, s_szClosedFolderValue, m_szDefaultFileClosed, &m_nDefaultIndexClosed) &&
        ReadShellIcon(hKey, s_szOpenFolderValue, m_szDefaultFileOpened, &m_nDefaultIndexOpened);
    RegCloseKey(hKey);
    return bBoth;
}
