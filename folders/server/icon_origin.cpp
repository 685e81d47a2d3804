#include "server/icon_origin.h"

#include <shlwapi.h>
#include <winioctl.h>
#include <winnetwk.h>

const int g_nLibraryIndexClosed = 2;
const int g_nLibraryIndexOpened = 3;

// A link may lead to another link; past this many the name counts as one
// that leads elsewhere (the system itself gives up after 63).
static const int s_cMaxLinks = 8;

enum Place { PlaceDrive, PlaceShare, PlaceDevice };

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

// Server, share and file names are compared as the file system does, by
// their characters, never by a language's rules.
static BOOL SameText(const WCHAR* pszA, int cchA, const WCHAR* pszB, int cchB)
{
    return CompareStringOrdinal(pszA, cchA, pszB, cchB, TRUE) == CSTR_EQUAL;
}

static BOOL SameDrive(WCHAR chA, WCHAR chB)
{
    return SameText(&chA, 1, &chB, 1);
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
// drive match it. FALSE for a drive of this machine.
static BOOL IsNetworkDrive(WCHAR chDrive, WCHAR* pszShare)
{
    WCHAR szRoot[] = {chDrive, L':', L'\\', L'\0'};
    if (GetDriveTypeW(szRoot) != DRIVE_REMOTE)
        return FALSE;
    szRoot[2] = L'\0';
    WCHAR szRemote[MAX_PATH];
    DWORD cch = MAX_PATH;
    if (WNetGetConnectionW(szRoot, szRemote, &cch) == NO_ERROR && IsSeparator(szRemote[0]) &&
        IsSeparator(szRemote[1]))
        ShareName(szRemote + 2, pszShare);
    else
        lstrcpyW(pszShare, szRoot);
    return TRUE;
}

// "\\?\" and "\??\" hand the rest to the system as it stands.
static BOOL HasVerbatimPrefix(const WCHAR* pszPath)
{
    return IsSeparator(pszPath[0]) && (IsSeparator(pszPath[1]) || pszPath[1] == L'?') && pszPath[2] == L'?' &&
           IsSeparator(pszPath[3]);
}

static BOOL HasUncPrefix(const WCHAR* pszPath)
{
    return SameText(pszPath, 3, L"UNC", 3) && IsSeparator(pszPath[3]);
}

// The whole path as the system resolves it before it follows any link: a
// relative name joins the current folder and "." and ".." go. A verbatim
// path is taken as it stands.
static BOOL FullPath(const WCHAR* pszPath, WCHAR* pszFull)
{
    if (HasVerbatimPrefix(pszPath)) {
        lstrcpynW(pszFull, pszPath, MAX_PATH);
        return lstrlenW(pszPath) < MAX_PATH;
    }
    DWORD cch = GetFullPathNameW(pszPath, MAX_PATH, pszFull, nullptr);
    return cch != 0 && cch < MAX_PATH;
}

static const WCHAR* DrivePart(const WCHAR* pszFull)
{
    return HasVerbatimPrefix(pszFull) ? pszFull + 4 : pszFull;
}

// The drive letter of a full path on a drive, else 0.
static WCHAR DriveLetter(const WCHAR* pszFull)
{
    return IsDriveLetter(DrivePart(pszFull)) ? DrivePart(pszFull)[0] : 0;
}

// The length of the drive's root ("C:\" or "\\?\C:\") of a full path on a
// drive, 0 for any other path.
static int DriveRootLength(const WCHAR* pszFull)
{
    if (!DriveLetter(pszFull))
        return 0;
    int cchRoot = static_cast<int>(DrivePart(pszFull) - pszFull) + 2;
    return IsSeparator(pszFull[cchRoot]) ? cchRoot + 1 : cchRoot;
}

// Where a full path leads by its name alone, and for a share its
// "server\share". A verbatim prefix is followed by a drive, a share
// ("UNC\server\share") or any other device; "\\.\" always names a device.
static Place NamePlace(const WCHAR* pszFull, WCHAR* pszShare)
{
    pszShare[0] = L'\0';
    if (DriveRootLength(pszFull))
        return PlaceDrive;
    if (HasVerbatimPrefix(pszFull)) {
        if (!HasUncPrefix(pszFull + 4))
            return PlaceDevice;
        ShareName(pszFull + 8, pszShare);
        return PlaceShare;
    }
    if (!IsSeparator(pszFull[0]) || !IsSeparator(pszFull[1]) ||
        (pszFull[2] == L'.' && (IsSeparator(pszFull[3]) || pszFull[3] == L'\0')))
        return PlaceDevice;
    ShareName(pszFull + 2, pszShare);
    return PlaceShare;
}

static BOOL IsDeviceDigit(WCHAR ch)
{
    // Windows counts the superscript digits of Latin-1 too.
    return (ch >= L'1' && ch <= L'9') || ch == 0x00B9 || ch == 0x00B2 || ch == 0x00B3;
}

// Windows 10 still opens a DOS device for a file named after one in any
// folder, whatever follows the name after a dot or a colon and with blanks
// before them. Verbatim paths and shares are taken as they stand.
static BOOL IsDosDeviceName(const WCHAR* pszPath)
{
    if (HasVerbatimPrefix(pszPath) || (IsSeparator(pszPath[0]) && IsSeparator(pszPath[1])))
        return FALSE;
    const WCHAR* pszName = pszPath;
    for (const WCHAR* pch = pszPath; *pch; ++pch)
        if (IsSeparator(*pch) || (pch == pszPath + 1 && *pch == L':'))
            pszName = pch + 1;
    int cch = 0;
    while (pszName[cch] && pszName[cch] != L'.' && pszName[cch] != L':')
        ++cch;
    while (cch > 0 && pszName[cch - 1] == L' ')
        --cch;
    static const WCHAR* const s_apszDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    if (cch == 3) {
        for (const WCHAR* pszDevice : s_apszDevices)
            if (SameText(pszName, 3, pszDevice, 3))
                return TRUE;
        return FALSE;
    }
    return cch == 4 && (SameText(pszName, 3, L"COM", 3) || SameText(pszName, 3, L"LPT", 3)) &&
           IsDeviceDigit(pszName[3]);
}

// Names without a '%' are taken as they are, without asking the system.
static BOOL ExpandOnce(const WCHAR* pszName, WCHAR* pszExpanded)
{
    if (!StrChrW(pszName, L'%')) {
        lstrcpynW(pszExpanded, pszName, MAX_PATH);
        return lstrlenW(pszName) < MAX_PATH;
    }
    DWORD cch = ExpandEnvironmentStringsW(pszName, pszExpanded, MAX_PATH);
    return cch != 0 && cch <= MAX_PATH;
}

BOOL ExpandIconFileName(const WCHAR* pszName, WCHAR* pszExpanded)
{
    WCHAR szAgain[MAX_PATH];
    if (ExpandOnce(pszName, pszExpanded) && ExpandOnce(pszExpanded, szAgain) && lstrcmpW(szAgain, pszExpanded) == 0)
        return TRUE;
    pszExpanded[0] = L'\0';
    return FALSE;
}

namespace {

// The folder's side of every comparison: its full path at once, its share
// only when an icon file's name needs it.
class CFolderPlace {
public:
    explicit CFolderPlace(const WCHAR* pszFolder)
        : m_bKnown(FullPath(pszFolder, m_szPath)), m_bShareLooked(FALSE), m_szShare()
    {
        m_cchRoot = m_bKnown ? DriveRootLength(m_szPath) : 0;
    }

    // The drive letter of a folder on a drive, else 0.
    WCHAR Drive() const { return m_bKnown ? DriveLetter(m_szPath) : 0; }

    BOOL IsOnShare(const WCHAR* pszShare)
    {
        if (!m_bShareLooked) {
            m_bShareLooked = TRUE;
            if (Drive())
                IsNetworkDrive(Drive(), m_szShare);
            else if (m_bKnown)
                NamePlace(m_szPath, m_szShare);
        }
        return m_szShare[0] != L'\0' && SameText(pszShare, -1, m_szShare, -1);
    }

    // How much of a full path on a drive is the folder's own path (whole
    // parts of it), at least the drive's root: that much leads wherever the
    // folder is.
    int SharedLength(const WCHAR* pszFull, int cchRoot) const
    {
        if (!m_cchRoot || m_cchRoot != cchRoot || !SameText(pszFull, cchRoot, m_szPath, cchRoot))
            return cchRoot;
        int iShared = cchRoot;
        for (int i = cchRoot;; ++i) {
            BOOL bEndA = pszFull[i] == L'\0' || IsSeparator(pszFull[i]);
            BOOL bEndB = m_szPath[i] == L'\0' || IsSeparator(m_szPath[i]);
            if (bEndA && bEndB && SameText(pszFull + iShared, i - iShared, m_szPath + iShared, i - iShared)) {
                if (pszFull[i] == L'\0' || m_szPath[i] == L'\0')
                    return i;
                iShared = i + 1;
            } else if (bEndA || bEndB)
                return iShared;
        }
    }

private:
    WCHAR m_szPath[MAX_PATH];
    BOOL m_bKnown;
    int m_cchRoot;
    BOOL m_bShareLooked;
    WCHAR m_szShare[MAX_PATH];
};

// What a link's own data says about where it leads.
enum LinkTarget { TargetUnknown, TargetHere, TargetPath };

// The reparse data of a link or junction.
struct ReparseData {
    DWORD dwTag;
    WORD cbData;
    WORD wReserved;
    WORD ibSubstitute;
    WORD cbSubstitute;
    WORD ibPrint;
    WORD cbPrint;
    // A symbolic link has its flags here and its names after them; a
    // junction has its names here.
};

const DWORD s_dwLinkRelative = 1;
// Room for two names of a full path each: a longer target counts as unknown.
const DWORD s_cbReparseData = sizeof(ReparseData) + sizeof(DWORD) + 4 * MAX_PATH * sizeof(WCHAR);

}

static LinkTarget ReadReparseData(const WCHAR* pszLink, BYTE* pbData, DWORD* pcbData)
{
    HANDLE hLink = CreateFileW(pszLink, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                               nullptr);
    if (hLink == INVALID_HANDLE_VALUE)
        return TargetUnknown;
    BOOL bRead = DeviceIoControl(hLink, FSCTL_GET_REPARSE_POINT, nullptr, 0, pbData, s_cbReparseData, pcbData,
                                 nullptr);
    CloseHandle(hLink);
    return bRead && *pcbData >= sizeof(ReparseData) ? TargetPath : TargetUnknown;
}

// A relative target counts from the link's own folder, or from its drive's
// root when it starts with a separator.
static BOOL JoinRelative(const WCHAR* pszLink, const WCHAR* pszTarget, int cchTarget, WCHAR* pszPath)
{
    int cchBase = IsSeparator(pszTarget[0]) ? DriveRootLength(pszLink) - 1 : 0;
    if (!IsSeparator(pszTarget[0]))
        for (int i = 0; pszLink[i]; ++i)
            if (IsSeparator(pszLink[i]))
                cchBase = i + 1;
    if (cchBase <= 0 || cchBase + cchTarget >= MAX_PATH)
        return FALSE;
    CopyMemory(pszPath, pszLink, cchBase * sizeof(WCHAR));
    CopyMemory(pszPath + cchBase, pszTarget, cchTarget * sizeof(WCHAR));
    pszPath[cchBase + cchTarget] = L'\0';
    return TRUE;
}

// Reads where a link leads from the link itself, a local read. Data kept in
// place (a deduplicated or cloud file) and a local volume lead nowhere else;
// a link whose target cannot be read, or is no path of a drive or a share,
// may lead anywhere.
static LinkTarget ReadLinkTarget(const WCHAR* pszLink, WCHAR* pszTarget)
{
    alignas(DWORD) BYTE abData[s_cbReparseData];
    DWORD cbData = 0;
    if (ReadReparseData(pszLink, abData, &cbData) != TargetPath)
        return TargetUnknown;
    const ReparseData* pData = reinterpret_cast<const ReparseData*>(abData);
    if (!IsReparseTagNameSurrogate(pData->dwTag))
        return TargetHere;
    DWORD ibNames = sizeof(ReparseData);
    DWORD dwFlags = 0;
    if (pData->dwTag == IO_REPARSE_TAG_SYMLINK) {
        CopyMemory(&dwFlags, abData + ibNames, sizeof dwFlags);
        ibNames += sizeof dwFlags;
    } else if (pData->dwTag != IO_REPARSE_TAG_MOUNT_POINT)
        return TargetUnknown;
    DWORD ibName = ibNames + pData->ibSubstitute;
    int cchName = pData->cbSubstitute / sizeof(WCHAR);
    if (ibName + pData->cbSubstitute > cbData || cchName == 0 || cchName >= MAX_PATH)
        return TargetUnknown;
    WCHAR szName[MAX_PATH];
    CopyMemory(szName, abData + ibName, cchName * sizeof(WCHAR));
    szName[cchName] = L'\0';
    if (dwFlags & s_dwLinkRelative)
        return JoinRelative(pszLink, szName, cchName, pszTarget) ? TargetPath : TargetUnknown;
    if (!(szName[0] == L'\\' && szName[1] == L'?' && szName[2] == L'?' && szName[3] == L'\\'))
        return TargetUnknown;
    if (SameText(szName + 4, 7, L"Volume{", 7))
        return TargetHere;
    lstrcpyW(pszTarget, szName);
    pszTarget[1] = L'\\';
    return TargetPath;
}

static BOOL MayUsePath(CFolderPlace* pFolder, const WCHAR* pszPath, int cLinks);

static BOOL LinkLeadsNowhereElse(CFolderPlace* pFolder, const WCHAR* pszLink, int cLinks)
{
    WCHAR szTarget[MAX_PATH];
    if (cLinks >= s_cMaxLinks)
        return FALSE;
    switch (ReadLinkTarget(pszLink, szTarget)) {
    case TargetHere:
        return TRUE;
    case TargetPath:
        return MayUsePath(pFolder, szTarget, cLinks + 1);
    case TargetUnknown:
        break;
    }
    return FALSE;
}

// Each part of the path beyond the folder's own is looked at, from the
// root down: a part that is not there has nothing after it to lead
// anywhere, a link leads only where its target may.
static BOOL LinksLeadNowhereElse(CFolderPlace* pFolder, const WCHAR* pszFull, int cLinks)
{
    int cchRoot = DriveRootLength(pszFull);
    WCHAR szPart[MAX_PATH];
    lstrcpyW(szPart, pszFull);
    for (int i = pFolder->SharedLength(pszFull, cchRoot); pszFull[i];) {
        while (IsSeparator(pszFull[i]))
            ++i;
        int iEnd = static_cast<int>(ComponentEnd(pszFull + i) - pszFull);
        if (iEnd == i)
            break;
        szPart[iEnd] = L'\0';
        DWORD dwAttributes = GetFileAttributesW(szPart);
        if (dwAttributes == INVALID_FILE_ATTRIBUTES) {
            DWORD dwError = GetLastError();
            return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
        }
        if ((dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !LinkLeadsNowhereElse(pFolder, szPart, cLinks))
            return FALSE;
        szPart[iEnd] = pszFull[iEnd];
        i = iEnd;
    }
    return TRUE;
}

// The system's own folders are local, and only administrators may change
// what is in them: a file right inside one is settled by its name, without
// asking the system (the shell's own icons are there).
static BOOL IsInSystemFolder(const WCHAR* pszFull)
{
    const WCHAR* pszName = pszFull;
    for (const WCHAR* pch = pszFull; *pch; ++pch)
        if (IsSeparator(*pch))
            pszName = pch + 1;
    int cchFolder = static_cast<int>(pszName - pszFull) - 1;
    WCHAR szSystem[MAX_PATH];
    if (cchFolder <= 0)
        return FALSE;
    UINT cch = GetSystemDirectoryW(szSystem, MAX_PATH);
    if (static_cast<int>(cch) == cchFolder && SameText(pszFull, cchFolder, szSystem, cchFolder))
        return TRUE;
    cch = GetSystemWindowsDirectoryW(szSystem, MAX_PATH);
    return static_cast<int>(cch) == cchFolder && SameText(pszFull, cchFolder, szSystem, cchFolder);
}

static BOOL MayUsePath(CFolderPlace* pFolder, const WCHAR* pszPath, int cLinks)
{
    WCHAR szFull[MAX_PATH];
    WCHAR szShare[MAX_PATH];
    if (!FullPath(pszPath, szFull))
        return FALSE;
    switch (NamePlace(szFull, szShare)) {
    case PlaceDevice:
        return FALSE;
    case PlaceShare:
        return szShare[0] != L'\0' && pFolder->IsOnShare(szShare);
    case PlaceDrive:
        break;
    }
    if (IsInSystemFolder(szFull))
        return TRUE;
    WCHAR chDrive = DriveLetter(szFull);
    if (!(pFolder->Drive() && SameDrive(chDrive, pFolder->Drive())) && IsNetworkDrive(chDrive, szShare) &&
        !pFolder->IsOnShare(szShare))
        return FALSE;
    return LinksLeadNowhereElse(pFolder, szFull, cLinks);
}

// The shell takes a name in double quotes without them.
BOOL MayUseIconFile(const WCHAR* pszFolder, const WCHAR* pszIconFile)
{
    WCHAR szIconFile[MAX_PATH];
    if (!ExpandIconFileName(pszIconFile, szIconFile))
        return FALSE;
    PathUnquoteSpacesW(szIconFile);
    if (IsDosDeviceName(szIconFile))
        return FALSE;
    if (szIconFile[0] == L'\0')
        return TRUE;
    CFolderPlace folder(pszFolder);
    return MayUsePath(&folder, szIconFile, 0);
}
