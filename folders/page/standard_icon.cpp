#include "page/standard_icon.h"

#include "server/icon_origin.h"
#include "server/record.h"

#include <shlwapi.h>

// A full path, a comma and an index fit; another program's value may be
// longer, and is never cut.
static const DWORD s_cchLocation = 2 * MAX_PATH;

static void FormatLocation(const WCHAR* pszFile, int nIndex, WCHAR* pszLocation)
{
    wnsprintfW(pszLocation, s_cchLocation, L"%s,%i", pszFile, nIndex);
}

enum ValueState { ValueMissing, ValueRead, ValueTooLong };

static ValueState ReadLocation(const WCHAR* pszSection, const WCHAR* pszKey, WCHAR* pszLocation,
                               const WCHAR* pszIniPath)
{
    // The default has a character that no location can start with.
    DWORD cch = GetPrivateProfileStringW(pszSection, pszKey, L"\x01", pszLocation, s_cchLocation, pszIniPath);
    if (cch >= s_cchLocation - 1)
        return ValueTooLong;
    return lstrcmpW(pszLocation, L"\x01") == 0 ? ValueMissing : ValueRead;
}

// Ours when it is exactly the record's closed icon, as we write it.
static BOOL IsOurLocation(const WCHAR* pszLocation, const WCHAR* pszIniPath)
{
    WCHAR szFile[MAX_PATH];
    if (!ReadIconFileName(g_szKeyIconFileClosed, L"", szFile, pszIniPath) || szFile[0] == L'\0')
        return FALSE;
    WCHAR szOurs[s_cchLocation];
    FormatLocation(szFile, GetPrivateProfileIntW(g_szSectionIcons, g_szKeyIndexClosed, 0, pszIniPath), szOurs);
    return lstrcmpiW(pszLocation, szOurs) == 0;
}

// Every reader of the standard icon opens its file: one that the folder may
// not use never becomes it, and ours gives way to what it replaced.
BOOL SetStandardIcon(const WCHAR* pszIniPath, const WCHAR* pszFile, int nIndex)
{
    if (!MayUseIconFile(pszIniPath, pszFile))
        return RestoreStandardIcon(pszIniPath);
    WCHAR szLocation[s_cchLocation];
    ValueState state = ReadLocation(g_szSectionShell, g_szKeyIconResource, szLocation, pszIniPath);
    if (state == ValueTooLong)
        return FALSE;
    if (state == ValueRead && !IsOurLocation(szLocation, pszIniPath) &&
        !WritePrivateProfileStringW(g_szSectionIcons, g_szKeyPreviousIconResource, szLocation, pszIniPath))
        return FALSE;
    FormatLocation(pszFile, nIndex, szLocation);
    return WritePrivateProfileStringW(g_szSectionShell, g_szKeyIconResource, szLocation, pszIniPath);
}

BOOL RestoreStandardIcon(const WCHAR* pszIniPath)
{
    WCHAR szLocation[s_cchLocation];
    if (ReadLocation(g_szSectionShell, g_szKeyIconResource, szLocation, pszIniPath) != ValueRead ||
        !IsOurLocation(szLocation, pszIniPath))
        return TRUE;
    WCHAR szPrevious[s_cchLocation];
    BOOL bKeptAside =
        ReadLocation(g_szSectionIcons, g_szKeyPreviousIconResource, szPrevious, pszIniPath) == ValueRead;
    return WritePrivateProfileStringW(g_szSectionShell, g_szKeyIconResource, bKeptAside ? szPrevious : nullptr,
                                      pszIniPath);
}
