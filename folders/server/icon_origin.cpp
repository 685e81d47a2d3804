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

static const WCHAR* ComponentEnd(const WCHAR* pszName)
{
    while (*pszName && !IsSeparator(*pszName))
        ++pszName;
    return pszName;
}

// "server\share" of "server\share\..." into a MAX_PATH buffer; empty when the
// server or the share is missing or the name does not fit, which matches no
// folder.
static void ShareName(const WCHAR* pszRest, WCHAR* pszShare)
{
    const WCHAR* pszServerEnd = ComponentEnd(pszRest);
    const WCHAR* pszShareStart = *pszServerEnd ? pszServerEnd + 1 : pszServerEnd;
    int cchServer = static_cast<int>(pszServerEnd - pszRest);
    int cchShare = static_cast<int>(ComponentEnd(pszShareStart) - pszShareStart);
    pszShare[0] = L'\0';
    if (cchServer == 0 || cchShare == 0 || cchServer + 1 + cchShare >= MAX_PATH)
        return;
    CopyMemory(pszShare, pszRest, cchServer * sizeof(WCHAR));
    pszShare[cchServer] = L'\\';
    CopyMemory(pszShare + cchServer + 1, pszShareStart, cchShare * sizeof(WCHAR));
    pszShare[cchServer + 1 + cchShare] = L'\0';
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

// "\\?\" and "\??\" hand the rest to the system as it stands.
static BOOL HasVerbatimPrefix(const WCHAR* pszPath)
{
    return IsSeparator(pszPath[0]) && (IsSeparator(pszPath[1]) || pszPath[1] == L'?') && pszPath[2] == L'?' &&
           IsSeparator(pszPath[3]);
}

static BOOL HasUncPrefix(const WCHAR* pszPath)
{
    return (pszPath[0] == L'U' || pszPath[0] == L'u') && (pszPath[1] == L'N' || pszPath[1] == L'n') &&
           (pszPath[2] == L'C' || pszPath[2] == L'c') && IsSeparator(pszPath[3]);
}

// Where a path leads, and for a share its "server\share". A verbatim prefix
// is followed by a drive, a share ("UNC\server\share") or any other device;
// "\\.\" always names a device. A path without a drive or a server (relative,
// or rooted on the current drive) is local.
static Place PathPlace(const WCHAR* pszPath, WCHAR* pszShare)
{
    pszShare[0] = L'\0';
    if (HasVerbatimPrefix(pszPath)) {
        const WCHAR* pszRest = pszPath + 4;
        if (IsDriveLetter(pszRest) && (pszRest[2] == L'\0' || IsSeparator(pszRest[2])))
            return DrivePlace(pszRest, pszShare);
        if (HasUncPrefix(pszRest)) {
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
