#include "page/customization.h"

#include "page/record_encoding.h"
#include "page/standard_icon.h"
#include "page/window_metrics.h"
#include "server/prop_sheet_ext.h"
#include "server/record.h"

#include <cstring>

const char g_szWindowMetricsKey[] = ".Default\\Control Panel\\desktop\\WindowMetrics";
const char g_szShellIconBppValue[] = "Shell Icon BPP";

// The attributes a program sets on a file or folder; the others (directory,
// reparse point, compression...) are only reported.
static const DWORD s_dwSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

static BOOL SetSettableAttributes(const WCHAR* pszPath, DWORD dwAttributes)
{
    dwAttributes &= s_dwSettableAttributes;
    return SetFileAttributesW(pszPath, dwAttributes ? dwAttributes : FILE_ATTRIBUTE_NORMAL);
}

// Adds bits to what a file or folder has, taking nothing away.
static BOOL AddAttributes(const WCHAR* pszPath, DWORD dwAdded)
{
    DWORD dwAttributes = GetFileAttributesW(pszPath);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    return (dwAttributes & dwAdded) == dwAdded || SetSettableAttributes(pszPath, dwAttributes | dwAdded);
}

// A read-only Desktop.ini refuses every write: only that bit is cleared for
// the writes. Answers the attributes the file had (INVALID_FILE_ATTRIBUTES
// when there was none).
static DWORD BeginRecordWrites(const WCHAR* pszIniPath)
{
    DWORD dwBefore = GetFileAttributesW(pszIniPath);
    if (dwBefore != INVALID_FILE_ATTRIBUTES && (dwBefore & FILE_ATTRIBUTE_READONLY))
        SetSettableAttributes(pszIniPath, dwBefore & ~FILE_ATTRIBUTE_READONLY);
    return dwBefore;
}

// Gives the file back the attributes it had, and dwAdded, and keeps the
// archive bit that our writes earned so that a backup sees the change.
static void EndRecordWrites(const WCHAR* pszIniPath, DWORD dwBefore, DWORD dwAdded)
{
    DWORD dwNow = GetFileAttributesW(pszIniPath);
    if (dwNow == INVALID_FILE_ATTRIBUTES)
        return;
    DWORD dwKept = dwBefore != INVALID_FILE_ATTRIBUTES ? dwBefore : dwNow;
    DWORD dwWanted = (dwKept | dwAdded | (dwNow & FILE_ATTRIBUTE_ARCHIVE)) & s_dwSettableAttributes;
    if (dwWanted != (dwNow & s_dwSettableAttributes))
        SetSettableAttributes(pszIniPath, dwWanted);
}

static BOOL WriteIniInt(const WCHAR* pszKey, int nValue, const WCHAR* pszIniPath)
{
    WCHAR szValue[16];
    wsprintfW(szValue, L"%i", nValue);
    return WritePrivateProfileStringW(g_szSectionIcons, pszKey, szValue, pszIniPath);
}

// An empty name stands for a name the record holds but that we could not
// read whole: the record keeps its own pair.
static BOOL WriteIcon(const WCHAR* pszFileKey, const WCHAR* pszFile, const WCHAR* pszIndexKey, int nIndex,
                      const WCHAR* pszIniPath)
{
    if (pszFile[0] == L'\0')
        return TRUE;
    return WritePrivateProfileStringW(g_szSectionIcons, pszFileKey, pszFile, pszIniPath) &&
           WriteIniInt(pszIndexKey, nIndex, pszIniPath);
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

// The class identifier goes first; the writes stop at the first that fails.
// The standard icon changes before the closed icon that tells it ours.
BOOL CIconPropSheetExt::WriteRecord() const
{
    return WritePrivateProfileStringW(g_szSectionShell, g_szKeyClassId, g_szClassIdText, m_szIniPath) &&
           (m_szFileClosed[0] == L'\0' || SetStandardIcon(m_szIniPath, m_szFileClosed, m_nIndexClosed)) &&
           WriteIcon(g_szKeyIconFileClosed, m_szFileClosed, g_szKeyIndexClosed, m_nIndexClosed, m_szIniPath) &&
           WriteIcon(g_szKeyIconFileOpened, m_szFileOpened, g_szKeyIndexOpened, m_nIndexOpened, m_szIniPath) &&
           WriteIniInt(g_szKeyAnimateLarge, m_nAnimateLarge, m_szIniPath);
}

// The shell honours a hidden Desktop.ini in a read-only folder; both keep
// every attribute they had besides. Nothing is made read-only or hidden for
// a record that could not be written, and the colour depth, a setting of
// its own, is stored only along with a written record.
BOOL CIconPropSheetExt::ApplyCustomization()
{
    DWORD dwBefore = BeginRecordWrites(m_szIniPath);
    const WCHAR* apszValues[] = {m_szFileClosed, m_szFileOpened};
    BOOL bWritten = PrepareRecordEncoding(m_szIniPath, apszValues, 2) && WriteRecord();
    EndRecordWrites(m_szIniPath, dwBefore, bWritten ? FILE_ATTRIBUTE_HIDDEN : 0);
    if (!bWritten || !AddAttributes(m_szFolder, FILE_ATTRIBUTE_READONLY))
        return FALSE;
    StoreAllColors(m_bAllColors);
    return TRUE;
}

// The answer is whether the record is free of everything of ours afterwards.
BOOL RemoveCustomization(const WCHAR* pszIniPath)
{
    DWORD dwBefore = BeginRecordWrites(pszIniPath);
    WritePrivateProfileStringW(g_szSectionShell, g_szKeyClassId, nullptr, pszIniPath);
    BOOL bStandardIconBack = RestoreStandardIcon(pszIniPath);
    for (int i = 0; i < g_cIconKeys; ++i)
        WritePrivateProfileStringW(g_szSectionIcons, g_apszIconKeys[i], nullptr, pszIniPath);
    EndRecordWrites(pszIniPath, dwBefore, 0);
    return bStandardIconBack && !HoldsKeysOfOurs(pszIniPath);
}
