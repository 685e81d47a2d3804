#include "page/tree_scan.h"

#include "page/customization.h"
#include "server/record.h"

#include <windows.h>

namespace {

const WCHAR c_szListPattern[] = L"*.*";

// What a cloud drive's placeholder reports (newer headers than ours name
// the first two): its data, or its entries, are still on the server.
const DWORD c_dwRecallOnOpen = 0x00040000;
const DWORD c_dwRecallOnDataAccess = 0x00400000;
const DWORD c_dwNotHere = c_dwRecallOnOpen | c_dwRecallOnDataAccess | FILE_ATTRIBUTE_OFFLINE;

// Forms "<directory>\<name>" in a MAX_PATH buffer. A path that would not fit
// is refused, never cut: a cut path names some other file.
BOOL JoinPath(const WCHAR* pszDirectory, const WCHAR* pszName, WCHAR* pszPath)
{
    int cchDirectory = lstrlenW(pszDirectory);
    int cchName = lstrlenW(pszName);
    if (cchDirectory + 1 + cchName >= MAX_PATH)
        return FALSE;
    CopyMemory(pszPath, pszDirectory, cchDirectory * sizeof(WCHAR));
    pszPath[cchDirectory] = L'\\';
    CopyMemory(pszPath + cchDirectory + 1, pszName, (cchName + 1) * sizeof(WCHAR));
    return TRUE;
}

BOOL IsDirectory(const WIN32_FIND_DATAW& fd)
{
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A name starting with a dot covers "." and ".." as well as folders that
// their owners keep out of sight.
BOOL IsScannedDirectory(const WIN32_FIND_DATAW& fd)
{
    return fd.cFileName[0] != L'.' && IsFollowedDirectory(fd.dwFileAttributes, fd.dwReserved0);
}

// Hands each entry of the directory to VISIT, in listing order, while it
// answers TRUE; FALSE once it has stopped the listing. A directory that
// cannot be listed has no entries. The tag is read only for reparse points;
// a listing that does not write it leaves 0, never a stale tag.
template <typename Visit> BOOL ForEachEntry(const WCHAR* pszDirectory, Visit visit)
{
    WCHAR szPattern[MAX_PATH];
    if (!JoinPath(pszDirectory, c_szListPattern, szPattern))
        return TRUE;
    WIN32_FIND_DATAW fd;
    fd.dwReserved0 = 0;
    HANDLE hFind = FindFirstFileW(szPattern, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return TRUE;
    BOOL bGoOn = TRUE;
    do {
        bGoOn = visit(fd);
        fd.dwReserved0 = 0;
    } while (bGoOn && FindNextFileW(hFind, &fd));
    FindClose(hFind);
    return bGoOn;
}

// A record whose text is not here yet is never read: the read alone would
// make a cloud drive download it.
BOOL IsRecordFile(const WIN32_FIND_DATAW& fd)
{
    return !(fd.dwFileAttributes & c_dwNotHere) && lstrcmpiW(fd.cFileName, g_szRecordFileName) == 0;
}

// One read per record; only one with something of ours is written, once.
void ClearRecord(const WCHAR* pszDirectory, CScanObserver* pObserver)
{
    WCHAR szIniPath[MAX_PATH];
    BOOL bRemoved = FALSE;
    if (!MakeRecordPath(pszDirectory, szIniPath))
        return;
    if (!RemoveCustomization(szIniPath, &bRemoved))
        pObserver->NotCleared(pszDirectory);
    else if (bRemoved)
        pObserver->Cleared(pszDirectory);
}

BOOL ClearEntry(const WCHAR* pszDirectory, const WIN32_FIND_DATAW& fd, CScanObserver* pObserver)
{
    if (IsDirectory(fd)) {
        WCHAR szSubdirectory[MAX_PATH];
        if (IsScannedDirectory(fd) && JoinPath(pszDirectory, fd.cFileName, szSubdirectory))
            return ClearCustomizationsInTree(szSubdirectory, pObserver);
    } else if (IsRecordFile(fd)) {
        ClearRecord(pszDirectory, pObserver);
    }
    return TRUE;
}

}

BOOL IsFollowedDirectory(DWORD dwAttributes, DWORD dwReparseTag)
{
    if (!(dwAttributes & FILE_ATTRIBUTE_DIRECTORY) || (dwAttributes & c_dwNotHere))
        return FALSE;
    if (!(dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return TRUE;
    // Windows always reports the tag of a reparse point; 0 names no kind, so
    // the listing did not tell (Wine's does not), and it might be a link.
    return dwReparseTag != 0 && !IsReparseTagNameSurrogate(dwReparseTag);
}

// Depth first, in listing order. Each level holds only its listing record
// and one path buffer, and paths never outgrow MAX_PATH, so the depth of the
// recursion is bounded by the path limit whatever the tree looks like.
BOOL ClearCustomizationsInTree(const WCHAR* pszDirectory, CScanObserver* pObserver)
{
    if (!pObserver->Entering(pszDirectory))
        return FALSE;
    return ForEachEntry(pszDirectory,
                        [&](const WIN32_FIND_DATAW& fd) { return ClearEntry(pszDirectory, fd, pObserver); });
}

UINT CountScannedFolders(const WCHAR* pszDirectory)
{
    UINT cFolders = 0;
    ForEachEntry(pszDirectory, [&](const WIN32_FIND_DATAW& fd) {
        cFolders += IsScannedDirectory(fd) ? 1 : 0;
        return TRUE;
    });
    return cFolders;
}
