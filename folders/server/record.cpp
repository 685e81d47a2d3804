#include "server/record.h"

#include "server/module.h"

#include <objbase.h>
#include <cstring>

const char g_szClassIdText[] = "{5E676C24-194A-11d1-9FCB-4854E821E610}";

const char g_szRecordFileName[] = "Desktop.ini";
const char g_szSectionShell[] = ".ShellClassInfo";
const char g_szKeyClassId[] = "CLSID";
const char g_szSectionIcons[] = "QXIcons";
const char g_szKeyIconFileClosed[] = "IconFileClosed";
const char g_szKeyIndexClosed[] = "IndexClosed";
const char g_szKeyIconFileOpened[] = "IconFileOpened";
const char g_szKeyIndexOpened[] = "IndexOpened";
const char g_szKeyAnimateLarge[] = "AnimateLarge";
const char g_szKeyIconResource[] = "IconResource";
const char g_szKeyPreviousIconResource[] = "PreviousIconResource";
const char* const g_apszIconKeys[] = {
    g_szKeyIconFileClosed, g_szKeyIndexClosed,  g_szKeyIconFileOpened,
    g_szKeyIndexOpened,    g_szKeyAnimateLarge, g_szKeyPreviousIconResource,
};
const int g_cIconKeys = sizeof g_apszIconKeys / sizeof g_apszIconKeys[0];

// Read back when the key is missing; braces-free upper case, so no class
// identifier text can ever equal it.
static const char s_szNoValue[] = "NOVALUEINRECORD";

BOOL MakeRecordPath(const char* pszFolder, char* pszIniPath)
{
    size_t cchFolder = std::strlen(pszFolder);
    size_t cchName = sizeof g_szRecordFileName - 1;
    pszIniPath[0] = '\0';
    if (cchFolder + 1 + cchName >= MAX_PATH)
        return FALSE;
    std::memcpy(pszIniPath, pszFolder, cchFolder);
    pszIniPath[cchFolder] = '\\';
    std::memcpy(pszIniPath + cchFolder + 1, g_szRecordFileName, cchName + 1);
    return TRUE;
}

BOOL WidePathToAnsi(const WCHAR* pwszPath, char* pszPath)
{
    // A UTF-8 code page holds every name but takes neither the best-fit flag
    // nor the default-character report (Windows fails the call for them); it
    // refuses broken text instead.
    BOOL bUtf8 = GetACP() == CP_UTF8;
    BOOL bUsedDefault = FALSE;
    int cb = WideCharToMultiByte(CP_ACP, bUtf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, pwszPath, -1,
                                 pszPath, MAX_PATH, nullptr, bUtf8 ? nullptr : &bUsedDefault);
    if (cb == 0 || bUsedDefault) {
        pszPath[0] = '\0';
        return FALSE;
    }
    return TRUE;
}

// Our class in the registry text form that StringFromCLSID gives, in the
// system code page.
static BOOL GetClassIdText(char* pszText)
{
    LPOLESTR pwszClassId = nullptr;
    if (FAILED(StringFromCLSID(CLSID_FolderIcons, &pwszClassId)))
        return FALSE;
    WideCharToMultiByte(CP_ACP, 0, pwszClassId, -1, pszText, MAX_PATH, nullptr, nullptr);
    CoTaskMemFree(pwszClassId);
    return TRUE;
}

// The record's "CLSID" value (the sentinel when there is none) and our class's
// text, both into MAX_PATH buffers; FALSE when either cannot be had.
static BOOL ReadClassIds(const char* pszIniPath, char* pszValue, char* pszClassId)
{
    if (std::strlen(pszIniPath) >= MAX_PATH || !GetClassIdText(pszClassId))
        return FALSE;
    GetPrivateProfileStringA(g_szSectionShell, g_szKeyClassId, s_szNoValue, pszValue, MAX_PATH, pszIniPath);
    return TRUE;
}

BOOL ReadIconFileName(const char* pszKey, const char* pszDefault, char* pszFile, const char* pszIniPath)
{
    // One character more than a name may have: a value that fills it did
    // not fit.
    char szValue[MAX_PATH + 1];
    DWORD cch = GetPrivateProfileStringA(g_szSectionIcons, pszKey, pszDefault, szValue, sizeof szValue,
                                         pszIniPath);
    if (cch >= MAX_PATH) {
        pszFile[0] = '\0';
        return FALSE;
    }
    std::memcpy(pszFile, szValue, cch + 1);
    return TRUE;
}

static BOOL HasIconKey(const char* pszKey, const char* pszIniPath)
{
    char szValue[sizeof s_szNoValue + 1];
    GetPrivateProfileStringA(g_szSectionIcons, pszKey, s_szNoValue, szValue, sizeof szValue, pszIniPath);
    return std::strcmp(szValue, s_szNoValue) != 0;
}

BOOL IsFolderCustomized(const char* pszIniPath)
{
    char szValue[MAX_PATH];
    char szClassId[MAX_PATH];
    return ReadClassIds(pszIniPath, szValue, szClassId) && lstrcmpiA(szValue, szClassId) == 0;
}

BOOL IsFolderCustomizable(const char* pszIniPath)
{
    char szValue[MAX_PATH];
    char szClassId[MAX_PATH];
    return ReadClassIds(pszIniPath, szValue, szClassId) &&
           (lstrcmpiA(szValue, szClassId) == 0 || std::strcmp(szValue, s_szNoValue) == 0);
}

BOOL HoldsKeysOfOurs(const char* pszIniPath)
{
    if (IsFolderCustomized(pszIniPath))
        return TRUE;
    for (int i = 0; i < g_cIconKeys; ++i) {
        if (HasIconKey(g_apszIconKeys[i], pszIniPath))
            return TRUE;
    }
    return FALSE;
}
