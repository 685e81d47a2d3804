#include "page/setup.h"

#include "page/package_progress.h"
#include "page/tree_scan.h"
#include "server/record.h"

#include <msi.h>
#include <shlobj.h>

#include <shlwapi.h>

namespace {

// SFGAO_HASSUBFOLDER | FILESYSTEM | FOLDER | DROPTARGET | CANDELETE |
// CANRENAME | CANLINK | CANMOVE (0xE0000136), little-endian. No CANCOPY and
// no HASPROPSHEET.
const BYTE c_abFolderAttributes[] = {0x36, 0x01, 0x00, 0xE0};

const char c_szUninstallText[] = "Uninstal have to search your local drives to clear customization.";
const char c_szUninstallCaption[] = "Uninstall";
const WCHAR c_szUninstallCaptionW[] = L"Uninstall";
const WCHAR c_szNotClearedText[] = L"%u folders keep their icons: their Desktop.ini could not be changed. ";
const WCHAR c_szNeedsAdministratorText[] =
    L"Folder icons itself stays installed: removing it needs an administrator. Remove it again as an "
    L"administrator.";
const WCHAR c_szUninstallListKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// 26 roots of four characters each and the closing empty string fit easily.
const DWORD c_cchDriveList = 260;

// Each cleared folder is told to the shell at once, as the page tells it
// about one folder: the shell asks that folder's icon again. A drive's root
// is named with its backslash ("d:" alone is the drive's current folder).
// The folders that could not be cleared are counted for the user.
class CClearedFolders : public CScanObserver {
public:
    BOOL Entering(const WCHAR*) override { return TRUE; }
    void Cleared(const WCHAR* pszFolder) override
    {
        WCHAR szFolder[MAX_PATH];
        lstrcpynW(szFolder, pszFolder, MAX_PATH - 1);
        if (lstrlenW(szFolder) == 2 && szFolder[1] == L':')
            lstrcatW(szFolder, L"\\");
        SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHW | SHCNF_FLUSHNOWAIT, szFolder, nullptr);
    }
    void NotCleared(const WCHAR*) override { ++m_cNotCleared; }
    UINT m_cNotCleared = 0;
};

// The setup file's removal deletes the machine's registration and the
// library after this scan; an account that may not (a user, or an
// administrator without elevation, from the list of installed programs)
// would see the entry stay with no word why.
BOOL MayRemoveFromMachine()
{
    HKEY hKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, c_szUninstallListKey, 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &hKey)
        != ERROR_SUCCESS)
        return FALSE;
    RegCloseKey(hKey);
    return TRUE;
}

// Says what the removal could not do, and nothing when it did it all.
void ReportWhatStays(UINT cNotCleared, BOOL bMayRemove)
{
    WCHAR szText[512] = L"";
    if (cNotCleared)
        wsprintfW(szText, c_szNotClearedText, cNotCleared);
    if (!bMayRemove)
        lstrcatW(szText, c_szNeedsAdministratorText);
    if (szText[0])
        MessageBoxW(nullptr, szText, c_szUninstallCaptionW, MB_OK | MB_ICONWARNING);
}

// Runs fnDrive on each fixed drive, named by its letter and colon, while it
// answers TRUE.
template <typename FN>
void ForEachFixedDrive(FN fnDrive)
{
    WCHAR szDrives[c_cchDriveList] = {};
    DWORD cch = GetLogicalDriveStringsW(c_cchDriveList, szDrives);
    if (cch == 0 || cch > c_cchDriveList)
        return;
    for (const WCHAR* pszRoot = szDrives; *pszRoot; pszRoot += lstrlenW(pszRoot) + 1) {
        if (GetDriveTypeW(pszRoot) != DRIVE_FIXED)
            continue;
        WCHAR szDrive[MAX_PATH];
        lstrcpynW(szDrive, pszRoot, MAX_PATH);
        WCHAR* pszBackslash = StrChrW(szDrive, L'\\');
        if (pszBackslash)
            *pszBackslash = L'\0';
        if (!fnDrive(szDrive))
            return;
    }
}

void ClearFixedDrives(CScanObserver* pObserver)
{
    ForEachFixedDrive([pObserver](const WCHAR* pszDrive) {
        return ClearCustomizationsInTree(pszDrive, pObserver);
    });
}

UINT CountProgressSteps()
{
    UINT cSteps = 0;
    ForEachFixedDrive([&cSteps](const WCHAR* pszDrive) {
        cSteps += 1 + CountScannedFolders(pszDrive);
        return TRUE;
    });
    return cSteps;
}

// The folders were told one by one; this makes the shell drop the icons it
// keeps for them.
void NotifyShell()
{
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, nullptr, nullptr);
}

void RedrawDesktop()
{
    RedrawWindow(GetDesktopWindow(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW
                     | RDW_ERASENOW);
}

}

// The rest of the class's registration is the setup file's; without it there
// is no class to describe, so the class key is opened and never created.
extern "C" void CALLBACK Install(HWND, HINSTANCE, LPSTR, int)
{
    WCHAR szClassKey[MAX_PATH];
    wsprintfW(szClassKey, L"CLSID\\%s", g_szClassIdText);
    HKEY hClass = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, szClassKey, 0, KEY_CREATE_SUB_KEY, &hClass) != ERROR_SUCCESS)
        return;
    HKEY hShellFolder = nullptr;
    DWORD dwDisposition = 0;
    char szNoClass[] = "";
    if (RegCreateKeyExA(hClass, "ShellFolder", 0, szNoClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &hShellFolder, &dwDisposition) == ERROR_SUCCESS) {
        RegSetValueExA(hShellFolder, "Attributes", 0, REG_BINARY, c_abFolderAttributes,
                       sizeof c_abFolderAttributes);
        RegCloseKey(hShellFolder);
    }
    RegCloseKey(hClass);
}

extern "C" void CALLBACK Uninstall(HWND, HINSTANCE, LPSTR, int)
{
    MessageBoxA(nullptr, c_szUninstallText, c_szUninstallCaption, MB_OK);
    CClearedFolders cleared;
    ClearFixedDrives(&cleared);
    NotifyShell();
    RedrawDesktop();
    ReportWhatStays(cleared.m_cNotCleared, MayRemoveFromMachine());
}

// Windows Installer calls this from the package's own copy of the library
// while the program is removed. A silent removal (msiexec /qn) has nobody to
// answer Uninstall's question, so this asks none. The installer's dialog
// shows how far the search has come, and its Cancel stops it: the folders
// cleared by then stay cleared.
extern "C" UINT WINAPI PackageUninstall(MSIHANDLE hInstall)
{
    CClearedFolders cleared;
    CPackageProgress progress(hInstall, &cleared);
    progress.Start(CountProgressSteps());
    ClearFixedDrives(&progress);
    NotifyShell();
    RedrawDesktop();
    progress.Finish();
    return progress.Cancelled() ? ERROR_INSTALL_USEREXIT : ERROR_SUCCESS;
}
