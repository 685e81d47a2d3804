#include "server/record.h"

#include "server/module.h"

#include <objbase.h>

const WCHAR g_szClassIdText[] = L"{5E676C24-194A-11d1-9FCB-4854E821E610}";

const WCHAR g_szRecordFileName[] = L"Desktop.ini";
const WCHAR g_szSectionShell[] = L".ShellClassInfo";
const WCHAR g_szKeyClassId[] = L"CLSID";
const WCHAR g_szSectionIcons[] = L"QXIcons";
const WCHAR g_szKeyIconFileClosed[] = L"IconFileClosed";
const WCHAR g_szKeyIndexClosed[] = L"IndexClosed";
const WCHAR g_szKeyIconFileOpened[] = L"IconFileOpened";
const WCHAR g_szKeyIndexOpened[] = L"IndexOpened";
const WCHAR g_szKeyAnimateLarge[] = L"AnimateLarge";
const WCHAR g_szKeyIconResource[] = L"IconResource";
const WCHAR g_szKeyPreviousIconResource[] = L"PreviousIconResource";
const WCHAR g_szKeyWrittenIconResource[] = L"WrittenIconResource";
const WCHAR* const g_apszIconKeys[] = {
    g_szKeyIconFileClosed, g_szKeyIndexClosed,  g_szKeyIconFileOpened,
    g_szKeyIndexOpened,    g_szKeyAnimateLarge, g_szKeyPreviousIconResource,
    g_szKeyWrittenIconResource,
};
const int g_cIconKeys = sizeof g_apszIconKeys / sizeof g_apszIconKeys[0];

// Read back when the key is missing; braces-free upper case, so no class
// identifier text can ever equal it.
static const WCHAR s_szNoValue[] = L"NOVALUEINRECORD";

BOOL MakeRecordPath(const WCHAR* pszFolder, WCHAR* pszIniPath)
{
    int cchFolder = lstrlenW(pszFolder);
    int cchName = sizeof g_szRecordFileName / sizeof(WCHAR) - 1;
    pszIniPath[0] = L'\0';
    if (cchFolder + 1 + cchName >= MAX_PATH)
        return FALSE;
    CopyMemory(pszIniPath, pszFolder, cchFolder * sizeof(WCHAR));
    pszIniPath[cchFolder] = L'\\';
    CopyMemory(pszIniPath + cchFolder + 1, g_szRecordFileName, (cchName + 1) * sizeof(WCHAR));
    return TRUE;
}

// Converts into cbOut bytes (a size query when cbOut is 0). A UTF-8 code page
// spells every name but takes neither the best-fit flag nor the
// default-character report (Windows fails the call for them); it refuses
// broken text instead.
static int ConvertExactly(const WCHAR* pszText, char* pszOut, int cbOut)
{
    BOOL bUtf8 = GetACP() == CP_UTF8;
    BOOL bUsedDefault = FALSE;
    int cb = WideCharToMultiByte(CP_ACP, bUtf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, pszText, -1,
                                 pszOut, cbOut, nullptr, bUtf8 ? nullptr : &bUsedDefault);
    return bUsedDefault ? 0 : cb;
}

BOOL IsSpelledByCodePage(const WCHAR* pszText)
{
    return ConvertExactly(pszText, nullptr, 0) != 0;
}

BOOL WidePathToAnsi(const WCHAR* pwszPath, char* pszPath)
{
    if (ConvertExactly(pwszPath, pszPath, MAX_PATH) == 0) {
        pszPath[0] = '\0';
        return FALSE;
    }
    return TRUE;
}

// The record's "CLSID" value (the sentinel when there is none) into a
// MAX_PATH buffer; FALSE for a path that is not a path.
static BOOL ReadClassId(const WCHAR* pszIniPath, WCHAR* pszValue)
{
    if (lstrlenW(pszIniPath) >= MAX_PATH)
        return FALSE;
    GetPrivateProfileStringW(g_szSectionShell, g_szKeyClassId, s_szNoValue, pszValue, MAX_PATH, pszIniPath);
    return TRUE;
}

// Our class in the registry text form that StringFromCLSID gives.
static BOOL NamesOurClass(const WCHAR* pszValue)
{
    LPOLESTR pszClassId = nullptr;
    if (FAILED(StringFromCLSID(CLSID_FolderIcons, &pszClassId)))
        return FALSE;
    BOOL bOurs = lstrcmpiW(pszValue, pszClassId) == 0;
    CoTaskMemFree(pszClassId);
    return bOurs;
}

BOOL ReadIconFileName(const WCHAR* pszKey, const WCHAR* pszDefault, WCHAR* pszFile, const WCHAR* pszIniPath)
{
    // One character more than a name may have: a value that fills it did
    // not fit.
    WCHAR szValue[MAX_PATH + 1];
    DWORD cch = GetPrivateProfileStringW(g_szSectionIcons, pszKey, pszDefault, szValue, MAX_PATH + 1,
                                         pszIniPath);
    if (cch >= MAX_PATH) {
        pszFile[0] = L'\0';
        return FALSE;
    }
    CopyMemory(pszFile, szValue, (cch + 1) * sizeof(WCHAR));
    return TRUE;
}

BOOL IsFolderCustomizable(const WCHAR* pszIniPath)
{
    WCHAR szValue[MAX_PATH];
    return ReadClassId(pszIniPath, szValue) && (NamesOurClass(szValue) || lstrcmpW(szValue, s_szNoValue) == 0);
}
