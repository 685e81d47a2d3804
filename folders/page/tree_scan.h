#pragma once
// The uninstall scan: takes our customization out of every Desktop.ini below
// a directory.
#include <windows.h>

// What the scan tells as it goes: the directory it is about to list, and
// each folder whose record it cleared or could not clear.
class CScanObserver {
public:
    // FALSE stops the scan; what was cleared stays cleared.
    virtual BOOL Entering(const WCHAR* pszDirectory) = 0;
    virtual void Cleared(const WCHAR* pszFolder) = 0;
    virtual void NotCleared(const WCHAR* pszFolder) = 0;

protected:
    ~CScanObserver() = default;
};

// pszDirectory has no trailing backslash; a drive is given as "C:". FALSE
// when the observer stopped the scan.
BOOL ClearCustomizationsInTree(const WCHAR* pszDirectory, CScanObserver* pObserver);
// How many directories directly below the scan would enter.
UINT CountScannedFolders(const WCHAR* pszDirectory);

// Whether the scan enters a directory with these attributes and, for a
// reparse point, the tag that the listing reports (dwReserved0). Links,
// junctions and mount points (name surrogates) are not followed: the folder
// they lead to is scanned under its own path when it lies on a fixed drive,
// and one that leads back to an ancestor would never end. Every other reparse
// point (a cloud drive's folder, a deduplicated folder) is a folder of its
// own and is scanned; one whose tag is 0 (untold) is not. A cloud drive's
// folder whose entries are still on the server, or an offline one, is never
// entered: removing the extension must not make a cloud drive download.
BOOL IsFollowedDirectory(DWORD dwAttributes, DWORD dwReparseTag);
