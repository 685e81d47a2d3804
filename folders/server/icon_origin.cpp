#include "server/icon_origin.h"

#include <winnetwk.h>

const int g_nLibraryIndexClosed = 2;
const int g_nLibraryIndexOpened = 3;

enum Place { PlaceLocal, PlaceShare, PlaceDevice };

// Windows takes either slash as a separator, so "//server/share" is a share.
static BOOL IsSeparator(WCHAR ch)
{
    return ch == L'\\' || ch == L'/';
}

static BOOL IsDriveLetter(const WCHAR* pszPath)
{
    WCHAR ch = pszPath[0];
    return ((ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z')) && pszPath[1] == L':';
}

// "server\share" from "server\share\..." into a MAX_PATH buffer, with
// backslashes; empty when the server or the share is missing or the name
// does not fit, which matches no folder.
static void ShareName(const WCHAR* pszRest, WCHAR* pszShare)
{
    int cch = 0;
    int cSeparators = 0;
    for (; *pszRest && cch < MAX_PATH - 1; ++pszRest) {
        if (IsSeparator(*pszRest)) {
            if (cch == 0 || IsSeparator(pszShare[cch - 1]) || ++cSeparators == 2)
                break;
            pszShare[cch++] = L'\\';
        } else {
            pszShare[cch++] = *pszRest;
        }
    }
    BOOL bWhole = cSeparators >= 1 && cch > 0 && pszShare[cch - 1] != L'\\' && cch < MAX_PATH - 1;
    pszShare[bWhole ? cch : 0] = L'\0';
}

// A drive letter mapped to a share names that share; one whose mapping
// cannot be told is known by its letter, so that only folders on the same
// drive match it.
static Place DrivePlace(const WCHAR* pszPath, WCHAR* pszShare)
{
    WCHAR szRoot[] = {pszPath[0], L':', L'\\', L'\0'};
    if (GetDriveTypeW(szRoot) != DRIVE_REMOTE)
        return PlaceLocal;
    szRoot[2] = L'\0';
    WCHAR szRemote[MAX_PATH];
    DWORD cch = MAX_PATH;
    if (WNetGetConnectionW(szRoot, szRemote, &cch) == NO_ERROR && IsSeparator(szRemote[0]) &&
        IsSeparator(szRemote[1]))
        ShareName(szRemote + 2, pszShare);
    else
        lstrcpyW(pszShare, szRoot);
    return PlaceShare;
}

// "\\?\" and "\??\" hand the rest to the system as it stands: a drive, a
// share ("UNC\server\share") or any device. "\\.\" always names a device.
static Place PathPlace(const WCHAR* pszPath, WCHAR* pszShare)
{
    pszShare[0] = L'\0';
    BOOL bVerbatim = (IsSeparator(pszPath[0]) && IsSeparator(pszPath[1]) && pszPath[2] == L'?' &&
                      IsSeparator(pszPath[3])) ||
                     (IsSeparator(pszPath[0]) && pszPath[1] == L'?' && pszPath[2] == L'?' &&
                      IsSeparator(pszPath[3]));
    if (bVerbatim) {
        const WCHAR* pszRest = pszPath + 4;
        if (IsDriveLetter(pszRest) && (pszRest[2] == L'\0' || IsSeparator(pszRest[2])))
            return DrivePlace(pszRest, pszShare);
        if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, pszRest, 3, L"UNC", 3) == CSTR_EQUAL &&
            IsSeparator(pszRest[3])) {
            ShareName(pszRest + 4, pszShare);
            return PlaceShare;
        }
        return PlaceDevice;
    }
    if (IsSeparator(pszPath[0]) && IsSeparator(pszPath[1])) {
        if (pszPath[2] == L'.' && (IsSeparator(pszPath[3]) || pszPath[3] == L'\0'))
            return PlaceDevice;
        ShareName(pszPath + 2, pszShare);
        return PlaceShare;
    }
    if (IsDriveLetter(pszPath))
        return DrivePlace(pszPath, pszShare);
    return PlaceLocal;
}

BOOL MayUseIconFile(const WCHAR* pszFolderPath, const WCHAR* pszIconFile)
{
    WCHAR szIconShare[MAX_PATH];
    switch (PathPlace(pszIconFile, szIconShare)) {
    case PlaceLocal:
        return TRUE;
    case PlaceDevice:
        return FALSE;
    case PlaceShare:
        break;
    }
    WCHAR szFolderShare[MAX_PATH];
    return PathPlace(pszFolderPath, szFolderShare) == PlaceShare && szIconShare[0] != L'\0' &&
           lstrcmpiW(szIconShare, szFolderShare) == 0;
}
