#include "page/standard_icon.h"

#include "server/icon_origin.h"
#include "server/record.h"

#include <shlwapi.h>

// A full path, a comma and an index fit; another program's value may be
// longer, and is never cut.
static const int s_cchLocation = 2 * MAX_PATH;

enum ValueState { ValueMissing, ValueRead, ValueTooLong };

static ValueState ReadLocation(const CRecordChange& change, const WCHAR* pszSection, const WCHAR* pszKey,
                               WCHAR* pszLocation)
{
    if (change.Get(pszSection, pszKey, pszLocation, s_cchLocation))
        return ValueRead;
    return change.Has(pszSection, pszKey) ? ValueTooLong : ValueMissing;
}

// Ours when it is what we wrote. A record written before we kept that copy
// tells it by its closed icon, as the two values stand in the file.
static BOOL IsOurLocation(const CRecordChange& change, const WCHAR* pszLocation)
{
    WCHAR szOurs[s_cchLocation];
    if (ReadLocation(change, g_szSectionIcons, g_szKeyWrittenIconResource, szOurs) != ValueMissing)
        return lstrcmpiW(pszLocation, szOurs) == 0;
    WCHAR szFile[MAX_PATH], szIndex[16];
    if (!change.Get(g_szSectionIcons, g_szKeyIconFileClosed, szFile, MAX_PATH) || szFile[0] == L'\0' ||
        !change.Get(g_szSectionIcons, g_szKeyIndexClosed, szIndex, 16))
        return FALSE;
    wnsprintfW(szOurs, s_cchLocation, L"%s,%s", szFile, szIndex);
    return lstrcmpiW(pszLocation, szOurs) == 0;
}

// Every reader of the standard icon opens its file: one that the folder may
// not use never becomes it, and ours gives way to what it replaced.
BOOL SetStandardIcon(CRecordChange* pChange, const WCHAR* pszFile, int nIndex)
{
    if (!MayUseIconFile(pChange->Path(), pszFile)) {
        BOOL bRestored = RestoreStandardIcon(pChange);
        pChange->Delete(g_szSectionIcons, g_szKeyWrittenIconResource);
        return bRestored;
    }
    WCHAR szLocation[s_cchLocation];
    ValueState state = ReadLocation(*pChange, g_szSectionShell, g_szKeyIconResource, szLocation);
    if (state == ValueTooLong)
        return FALSE;
    if (state == ValueRead && !IsOurLocation(*pChange, szLocation) &&
        !pChange->Set(g_szSectionIcons, g_szKeyPreviousIconResource, szLocation))
        return FALSE;
    wnsprintfW(szLocation, s_cchLocation, L"%s,%i", pszFile, nIndex);
    return pChange->Set(g_szSectionShell, g_szKeyIconResource, szLocation) &&
           pChange->Set(g_szSectionIcons, g_szKeyWrittenIconResource, szLocation);
}

BOOL RestoreStandardIcon(CRecordChange* pChange)
{
    WCHAR szLocation[s_cchLocation];
    if (ReadLocation(*pChange, g_szSectionShell, g_szKeyIconResource, szLocation) != ValueRead ||
        !IsOurLocation(*pChange, szLocation))
        return TRUE;
    WCHAR szPrevious[s_cchLocation];
    if (ReadLocation(*pChange, g_szSectionIcons, g_szKeyPreviousIconResource, szPrevious) == ValueRead)
        return pChange->Set(g_szSectionShell, g_szKeyIconResource, szPrevious);
    pChange->Delete(g_szSectionShell, g_szKeyIconResource);
    return TRUE;
}
