#include "server/prop_sheet_ext.h"

#include "page/text_values.h"

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
static void SetShellFolderIcons(char* pszFileClosed, int* pnIndexClosed, char* pszFileOpened,
                                int* pnIndexOpened)
{
    char szSystem[MAX_PATH];
    UINT cch = GetSystemDirectoryA(szSystem, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        szSystem[0] = '\0';
    wnsprintfA(pszFileClosed, MAX_PATH, "%s\\shell32.dll", szSystem);
    wnsprintfA(pszFileOpened, MAX_PATH, "%s\\shell32.dll", szSystem);
    *pnIndexClosed = s_nShellClosedFolderIndex;
    *pnIndexOpened = s_nShellOpenFolderIndex;
}

static BOOL ReadShellIcon(HKEY hKey, const char* pszValue, char* pszFile, int* pnIndex)
{
    char szText[s_cbShellIconValue];
    return QueryValueText(hKey, pszValue, szText, sizeof szText) &&
           ParseIconLocation(szText, pszFile, pnIndex);
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
