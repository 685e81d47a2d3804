#include "page/standard_icon.h"

#include "server/record.h"

#include <shlwapi.h>

// A full path, a comma and an index fit; another program's value may be
// longer, and is never cut.
static const DWORD s_cchLocation = 2 * MAX_PATH;

static void FormatLocation(const char* pszFile, int nIndex, char* pszLocation)
{
    wnsprintfA(pszLocation, s_cchLocation, "%s,%i", pszFile, nIndex);
}

enum ValueState { ValueMissing, ValueRead, ValueTooLong };

static ValueState ReadLocation(const char* pszSection, const char* pszKey, char* pszLocation,
                               const char* pszIniPath)
{
    // The default has a character that no location can start with.
    DWORD cch = GetPrivateProfileStringA(pszSection, pszKey, "\x01", pszLocation, s_cchLocation, pszIniPath);
    if (cch >= s_cchLocation - 1)
        return ValueTooLong;
    return lstrcmpA(pszLocation, "\x01") == 0 ? ValueMissing : ValueRead;
}

// Ours when it is exactly the record's closed icon, as we write it.
static BOOL IsOurLocation(const char* pszLocation, const char* pszIniPath)
{
    char szFile[MAX_PATH];
    if (!ReadIconFileName(g_szKeyIconFileClosed, "", szFile, pszIniPath) || szFile[0] == '\0')
        return FALSE;
    char szOurs[s_cchLocation];
    FormatLocation(szFile, GetPrivateProfileIntA(g_szSectionIcons, g_szKeyIndexClosed, 0, pszIniPath), szOurs);
    return lstrcmpiA(pszLocation, szOurs) == 0;
}

BOOL SetStandardIcon(const char* pszIniPath, const char* pszFile, int nIndex)
{
    char szLocation[s_cchLocation];
    ValueState state = ReadLocation(g_szSectionShell, g_szKeyIconResource, szLocation, pszIniPath);
    if (state == ValueTooLong)
        return FALSE;
    if (state == ValueRead && !IsOurLocation(szLocation, pszIniPath) &&
        !WritePrivateProfileStringA(g_szSectionIcons, g_szKeyPreviousIconResource, szLocation, pszIniPath))
        return FALSE;
    FormatLocation(pszFile, nIndex, szLocation);
    return WritePrivateProfileStringA(g_szSectionShell, g_szKeyIconResource, szLocation, pszIniPath);
}

BOOL RestoreStandardIcon(const char* pszIniPath)
{
    char szLocation[s_cchLocation];
    if (ReadLocation(g_szSectionShell, g_szKeyIconResource, szLocation, pszIniPath) != ValueRead ||
        !IsOurLocation(szLocation, pszIniPath))
        return TRUE;
    char szPrevious[s_cchLocation];
    BOOL bKeptAside =
        ReadLocation(g_szSectionIcons, g_szKeyPreviousIconResource, szPrevious, pszIniPath) == ValueRead;
    return WritePrivateProfileStringA(g_szSectionShell, g_szKeyIconResource, bKeptAside ? szPrevious : nullptr,
                                      pszIniPath);
}
