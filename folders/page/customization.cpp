#include "page/customization.h"

#include "page/record_change.h"
#include "page/standard_icon.h"
#include "page/window_metrics.h"
#include "server/prop_sheet_ext.h"
#include "server/record.h"

#include <cstring>

const char g_szWindowMetricsKey[] = ".Default\\Control Panel\\desktop\\WindowMetrics";
const char g_szShellIconBppValue[] = "Shell Icon BPP";

static BOOL Failed(DWORD dwError)
{
    SetLastError(dwError);
    return FALSE;
}

// Adds bits to what a file or folder has, taking nothing away.
static BOOL AddAttributes(const WCHAR* pszPath, DWORD dwAttributes, DWORD dwAdded)
{
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    return (dwAttributes & dwAdded) == dwAdded || SetSettableAttributes(pszPath, dwAttributes | dwAdded);
}

// An empty name stands for a name the record holds but that we could not
// read whole: the record keeps its own pair.
static BOOL WriteIcon(CRecordChange* pChange, const WCHAR* pszFileKey, const WCHAR* pszFile,
                      const WCHAR* pszIndexKey, int nIndex)
{
    if (pszFile[0] == L'\0')
        return TRUE;
    return pChange->Set(g_szSectionIcons, pszFileKey, pszFile) &&
           pChange->SetInt(g_szSectionIcons, pszIndexKey, nIndex);
}

void CIconPropSheetExt::StoreAllColors()
{
    m_bAllColorsStored = FALSE;
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_USERS, g_szWindowMetricsKey, 0, KEY_SET_VALUE, &hKey) != ERROR_SUCCESS)
        return;
    const char* pszBpp = m_bAllColors ? "16" : "4";
    LONG lResult = RegSetValueExA(hKey, g_szShellIconBppValue, 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(pszBpp),
                                  static_cast<DWORD>(std::strlen(pszBpp) + 1));
    RegCloseKey(hKey);
    m_bAllColorsStored = lResult == ERROR_SUCCESS;
}

BOOL CanStoreAllColors()
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_USERS, g_szWindowMetricsKey, 0, KEY_SET_VALUE, &hKey) != ERROR_SUCCESS)
        return FALSE;
    RegCloseKey(hKey);
    return TRUE;
}

// The class identifier goes first; the standard icon changes before the
// closed icon that tells an older record's standard icon ours.
BOOL CIconPropSheetExt::WriteRecord(CRecordChange* pChange) const
{
    return pChange->Set(g_szSectionShell, g_szKeyClassId, g_szClassIdText) &&
           (m_szFileClosed[0] == L'\0' || SetStandardIcon(pChange, m_szFileClosed, m_nIndexClosed)) &&
           WriteIcon(pChange, g_szKeyIconFileClosed, m_szFileClosed, g_szKeyIndexClosed, m_nIndexClosed) &&
           WriteIcon(pChange, g_szKeyIconFileOpened, m_szFileOpened, g_szKeyIndexOpened, m_nIndexOpened) &&
           pChange->SetInt(g_szSectionIcons, g_szKeyAnimateLarge, m_nAnimateLarge);
}

// A record that another program writes while we change it is read again
// and changed again, a few times.
static const int s_cTries = 3;

static BOOL NamesAnotherClass(const CRecordChange& change)
{
    WCHAR szClass[MAX_PATH];
    if (!change.Has(g_szSectionShell, g_szKeyClassId))
        return FALSE;
    return !change.Get(g_szSectionShell, g_szKeyClassId, szClass, MAX_PATH) ||
           lstrcmpiW(szClass, g_szClassIdText) != 0;
}

// The shell honours a hidden Desktop.ini in a read-only folder; both keep
// every attribute they had besides. The folder is made read-only once the
// copy is written and before it takes the record's place, and is given its
// attributes back when it does not: the record changes only in a folder
// whose icons the shell will show.
BOOL CIconPropSheetExt::WriteCustomization(CRecordChange* pChange)
{
    if (!WriteRecord(pChange))
        return Failed(ERROR_NOT_ENOUGH_MEMORY);
    if (!pChange->WriteCopy(FILE_ATTRIBUTE_HIDDEN))
        return Failed(pChange->Error());
    DWORD dwFolder = GetFileAttributesW(m_szFolder);
    if (!AddAttributes(m_szFolder, dwFolder, FILE_ATTRIBUTE_READONLY)) {
        DWORD dwError = GetLastError();
        pChange->Discard();
        return Failed(dwError);
    }
    if (!pChange->PutInPlace(FILE_ATTRIBUTE_HIDDEN)) {
        if (!(dwFolder & FILE_ATTRIBUTE_READONLY))
            SetSettableAttributes(m_szFolder, dwFolder);
        return Failed(pChange->Error());
    }
    return TRUE;
}

// A class that another program wrote meanwhile is never written over. The
// colour depth, a setting of its own, is stored only along with a written
// record.
BOOL CIconPropSheetExt::ApplyCustomization()
{
    CRecordChange change;
    for (int nTry = 1;; ++nTry) {
        if (!change.Begin(m_szIniPath))
            return Failed(change.Error());
        if (nTry > 1 && NamesAnotherClass(change))
            return Failed(ERROR_FILE_INVALID);
        if (WriteCustomization(&change))
            break;
        if (!change.ChangedMeanwhile() || nTry == s_cTries)
            return FALSE;
    }
    StoreAllColors();
    return TRUE;
}

static BOOL RemoveFrom(CRecordChange* pChange)
{
    pChange->Delete(g_szSectionShell, g_szKeyClassId);
    if (!RestoreStandardIcon(pChange))
        return FALSE;
    for (int i = 0; i < g_cIconKeys; ++i)
        pChange->Delete(g_szSectionIcons, g_apszIconKeys[i]);
    return pChange->Commit(0);
}

static BOOL HoldsOurKeys(const CRecordChange& change)
{
    if (change.Has(g_szSectionShell, g_szKeyClassId))
        return TRUE;
    for (int i = 0; i < g_cIconKeys; ++i) {
        if (change.Has(g_szSectionIcons, g_apszIconKeys[i]))
            return TRUE;
    }
    return FALSE;
}

BOOL RemoveCustomization(const WCHAR* pszIniPath, BOOL* pbRemoved)
{
    if (pbRemoved)
        *pbRemoved = FALSE;
    CRecordChange change;
    for (int nTry = 1;; ++nTry) {
        if (!change.Begin(pszIniPath))
            return Failed(change.Error());
        if (!change.Exists() || NamesAnotherClass(change))
            return TRUE;
        BOOL bOurs = HoldsOurKeys(change);
        if (RemoveFrom(&change)) {
            if (pbRemoved)
                *pbRemoved = bOurs;
            return TRUE;
        }
        if (!change.ChangedMeanwhile() || nTry == s_cTries)
            return Failed(change.Error());
    }
}
