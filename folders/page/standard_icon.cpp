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

static BOOL SameLocation(const WCHAR* pszA, const WCHAR* pszB)
{
    return CompareStringOrdinal(pszA, -1, pszB, -1, TRUE) == CSTR_EQUAL;
}

// Ours when it is what we wrote. A record written before we kept that copy
// tells it by its closed icon, as the two values stand in the file.
static BOOL IsOurLocation(const CRecordChange& change, const WCHAR* pszLocation)
{
    WCHAR szOurs[s_cchLocation];
    if (ReadLocation(change, g_szSectionIcons, g_szKeyWrittenIconResource, szOurs) != ValueMissing)
        return SameLocation(pszLocation, szOurs);
    WCHAR szFile[MAX_PATH], szIndex[16];
    if (!change.Get(g_szSectionIcons, g_szKeyIconFileClosed, szFile, MAX_PATH) || szFile[0] == L'\0' ||
        !change.Get(g_szSectionIcons, g_szKeyIndexClosed, szIndex, 16))
        return FALSE;
    wnsprintfW(szOurs, s_cchLocation, L"%s,%s", szFile, szIndex);
    return SameLocation(pszLocation, szOurs);
}

// The rule on icon files, for the folder of the record being changed.
static BOOL MayUseForRecord(const CRecordChange& change, const WCHAR* pszFile)
{
    WCHAR szFolder[MAX_PATH];
    lstrcpynW(szFolder, change.Path(), MAX_PATH);
    PathRemoveFileSpecW(szFolder);
    return MayUseIconFile(szFolder, pszFile);
}

// "file,index", or a file alone: the shell takes the index after the last
// comma.
static BOOL MayUseLocation(const CRecordChange& change, const WCHAR* pszLocation)
{
    WCHAR szFile[s_cchLocation];
    lstrcpynW(szFile, pszLocation, s_cchLocation);
    WCHAR* pszComma = StrRChrW(szFile, nullptr, L',');
    if (pszComma)
        *pszComma = L'\0';
    return MayUseForRecord(change, szFile);
}

// Every reader of the standard icon opens its file: one that the folder may
// not use never becomes it, and ours gives way to what it replaced.
BOOL SetStandardIcon(CRecordChange* pChange, const WCHAR* pszFile, int nIndex)
{
    if (!MayUseForRecord(*pChange, pszFile)) {
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

// The value kept aside came with the record, from wherever the record came
// from: it is put back only where the rule lets the folder use its file.
BOOL RestoreStandardIcon(CRecordChange* pChange)
{
    WCHAR szLocation[s_cchLocation];
    if (ReadLocation(*pChange, g_szSectionShell, g_szKeyIconResource, szLocation) != ValueRead ||
        !IsOurLocation(*pChange, szLocation))
        return TRUE;
    WCHAR szPrevious[s_cchLocation];
    if (ReadLocation(*pChange, g_szSectionIcons, g_szKeyPreviousIconResource, szPrevious) == ValueRead &&
        MayUseLocation(*pChange, szPrevious))
        return pChange->Set(g_szSectionShell, g_szKeyIconResource, szPrevious);
    pChange->Delete(g_szSectionShell, g_szKeyIconResource);
    return TRUE;
}
