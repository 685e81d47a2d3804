#include "page/customization.h"

#include "page/window_metrics.h"
#include "server/prop_sheet_ext.h"
#include "server/record.h"

#include <cstring>

const char g_szWindowMetricsKey[] = ".Default\\Control Panel\\desktop\\WindowMetrics";
const char g_szShellIconBppValue[] = "Shell Icon BPP";

static void WriteIniInt(const char* pszKey, int nValue, const char* pszIniPath)
{
    char szValue[16];
    wsprintfA(szValue, "%i", nValue);
    WritePrivateProfileStringA(g_szSectionIcons, pszKey, szValue, pszIniPath);
}

// A read-only Desktop.ini would refuse every write below while the attribute
// step still reported nothing, leaving a folder that looks done but is not.
static void MakeWritable(const char* pszIniPath)
{
    DWORD dwAttributes = GetFileAttributesA(pszIniPath);
    if (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(pszIniPath, dwAttributes & ~FILE_ATTRIBUTE_READONLY);
}

static BOOL StoreAllColors(BOOL bAllColors)
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_USERS, g_szWindowMetricsKey, 0, KEY_SET_VALUE, &hKey) != ERROR_SUCCESS)
        return FALSE;
    const char* pszBpp = bAllColors ? "16" : "4";
    LONG lResult = RegSetValueExA(hKey, g_szShellIconBppValue, 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(pszBpp),
                                  static_cast<DWORD>(std::strlen(pszBpp) + 1));
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS;
}

// The class identifier goes first, before the attributes make the shell
// honour the file.
BOOL CIconPropSheetExt::ApplyCustomization()
{
    MakeWritable(m_szIniPath);
    WritePrivateProfileStringA(g_szSectionShell, g_szKeyClassId, g_szClassIdText, m_szIniPath);
    SetFileAttributesA(m_szIniPath, FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(m_szFolder, FILE_ATTRIBUTE_READONLY);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyIconFileClosed, m_szFileClosed, m_szIniPath);
    WriteIniInt(g_szKeyIndexClosed, m_nIndexClosed, m_szIniPath);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyIconFileOpened, m_szFileOpened, m_szIniPath);
    WriteIniInt(g_szKeyIndexOpened, m_nIndexOpened, m_szIniPath);
    WriteIniInt(g_szKeyAnimateLarge, m_nAnimateLarge, m_szIniPath);
    return StoreAllColors(m_bAllColors);
}

// A read-only Desktop.ini refuses every write: only that bit is cleared for
// the writes, and the file gets back the attributes it had. The answer is
// whether the record is free of our class afterwards.
BOOL RemoveCustomization(const char* pszIniPath)
{
    DWORD dwAttributes = GetFileAttributesA(pszIniPath);
    BOOL bReadOnly = dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_READONLY);
    if (bReadOnly)
        SetFileAttributesA(pszIniPath, dwAttributes & ~FILE_ATTRIBUTE_READONLY);
    WritePrivateProfileStringA(g_szSectionShell, g_szKeyClassId, nullptr, pszIniPath);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyIconFileClosed, nullptr, pszIniPath);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyIndexClosed, nullptr, pszIniPath);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyIconFileOpened, nullptr, pszIniPath);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyIndexOpened, nullptr, pszIniPath);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyAnimateLarge, nullptr, pszIniPath);
    if (bReadOnly)
        SetFileAttributesA(pszIniPath, dwAttributes);
    return !IsFolderCustomized(pszIniPath);
}
