#include "page/record_change.h"

#include "page/stale_copies.h"

static const DWORD s_dwSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Names tried for the copy before giving up: one is in the way only when
// an earlier change died before it could clear its own.
static const int s_cCopyNames = 16;

BOOL SetSettableAttributes(const WCHAR* pszPath, DWORD dwAttributes)
{
    dwAttributes &= s_dwSettableAttributes;
    return SetFileAttributesW(pszPath, dwAttributes ? dwAttributes : FILE_ATTRIBUTE_NORMAL);
}

CRecordChange::CRecordChange()
    : m_szIniPath(), m_szCopyPath(), m_hFolder(nullptr), m_folder(), m_record(),
      m_dwAttributes(INVALID_FILE_ATTRIBUTES), m_encoding(RecordCodePage), m_bChanged(FALSE),
      m_dwError(ERROR_SUCCESS)
{
}

CRecordChange::~CRecordChange()
{
    Discard();
    if (m_hFolder)
        CloseHandle(m_hFolder);
}

BOOL CRecordChange::Fail()
{
    m_dwError = GetLastError();
    return FALSE;
}

BOOL CRecordChange::Refuse(DWORD dwError)
{
    m_dwError = dwError;
    return FALSE;
}

static BOOL IsSameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

static BOOL IsSameVersion(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return IsSameFile(a, b) && a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
           CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

// The folder part of a record's path; a drive's root keeps its backslash,
// without which "C:" names the drive's current folder.
static void FolderOf(const WCHAR* pszIniPath, WCHAR* pszFolder)
{
    int cchFolder = lstrlenW(pszIniPath);
    while (cchFolder > 0 && pszIniPath[cchFolder - 1] != L'\\')
        --cchFolder;
    if (cchFolder > 1 && pszIniPath[cchFolder - 2] != L':')
        --cchFolder;
    CopyMemory(pszFolder, pszIniPath, cchFolder * sizeof(WCHAR));
    pszFolder[cchFolder] = L'\0';
}

static HANDLE OpenAsItself(const WCHAR* pszPath, DWORD dwShare, DWORD dwFlags)
{
    return CreateFileW(pszPath, FILE_READ_ATTRIBUTES, dwShare, nullptr, OPEN_EXISTING,
                       dwFlags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// The first time, opens the folder as itself (never through a link) and
// holds it without leave to delete, so that nobody can rename it or put a
// link in its place while the change lasts. Every later time, the folder's
// path must still lead to that same folder.
BOOL CRecordChange::HoldFolder()
{
    WCHAR szFolder[MAX_PATH];
    FolderOf(m_szIniPath, szFolder);
    DWORD dwShare = FILE_SHARE_READ | FILE_SHARE_WRITE | (m_hFolder ? FILE_SHARE_DELETE : 0);
    HANDLE hFolder = OpenAsItself(szFolder, dwShare, FILE_FLAG_BACKUP_SEMANTICS);
    if (hFolder == INVALID_HANDLE_VALUE)
        return Fail();
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(hFolder, &info)) {
        Fail();
        CloseHandle(hFolder);
        return FALSE;
    }
    if (!m_hFolder) {
        m_hFolder = hFolder;
        m_folder = info;
        return TRUE;
    }
    CloseHandle(hFolder);
    return IsSameFile(info, m_folder) || Refuse(ERROR_CANT_RESOLVE_FILENAME);
}

// Before the copy is written and before it takes the record's place: the
// folder is the one held, and the record the same file in the same version
// (or still missing). The folder is held only from the first write on, so
// that reading the many records that hold nothing of ours costs no more;
// until then its path might have been turned to another folder, and only
// the same file, written again, is the same record.
BOOL CRecordChange::IsStillAsRead()
{
    BOOL bHeldBefore = m_hFolder != nullptr;
    if (!HoldFolder())
        return FALSE;
    HANDLE hFile = OpenAsItself(m_szIniPath, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
    BOOL bFound = hFile != INVALID_HANDLE_VALUE;
    if (!bFound && GetLastError() != ERROR_FILE_NOT_FOUND)
        return Fail();
    BY_HANDLE_FILE_INFORMATION info;
    BOOL bKnown = !bFound || GetFileInformationByHandle(hFile, &info) || Fail();
    if (bFound)
        CloseHandle(hFile);
    if (!bKnown)
        return FALSE;
    if (bFound ? Exists() && IsSameVersion(info, m_record) : !Exists())
        return TRUE;
    BOOL bSameFile = bFound && Exists() && IsSameFile(info, m_record);
    return Refuse(bHeldBefore || bSameFile || !Exists() ? ERROR_FILE_INVALID : ERROR_CANT_RESOLVE_FILENAME);
}

// Another program that has the record open for writing keeps us out: its
// next write would be lost under ours. A link is never read through: what
// it leads to is another folder's file, or another file altogether.
BOOL CRecordChange::Begin(const WCHAR* pszIniPath)
{
    Discard();
    lstrcpynW(m_szIniPath, pszIniPath, MAX_PATH);
    m_text.Adopt(nullptr, 0);
    m_encoding = RecordCodePage;
    m_bChanged = FALSE;
    m_dwAttributes = INVALID_FILE_ATTRIBUTES;
    m_dwError = ERROR_SUCCESS;
    if (m_hFolder && !HoldFolder())
        return FALSE;
    HANDLE hFile = CreateFileW(m_szIniPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND || Fail();
    BOOL bRead = Read(hFile);
    CloseHandle(hFile);
    return bRead;
}

BOOL CRecordChange::Read(HANDLE hFile)
{
    BY_HANDLE_FILE_INFORMATION info;
    BOOL bRead = GetFileInformationByHandle(hFile, &info);
    if (bRead && ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.nNumberOfLinks > 1)) {
        SetLastError(ERROR_CANT_RESOLVE_FILENAME);
        bRead = FALSE;
    }
    if (bRead)
        bRead = ReadRecordText(hFile, &m_text, &m_encoding);
    if (!bRead)
        return Fail();
    m_record = info;
    m_dwAttributes = info.dwFileAttributes;
    return TRUE;
}

BOOL CRecordChange::Set(const WCHAR* pszSection, const WCHAR* pszKey, const WCHAR* pszValue)
{
    if (!m_text.Set(pszSection, pszKey, pszValue)) {
        m_dwError = ERROR_NOT_ENOUGH_MEMORY;
        return FALSE;
    }
    m_bChanged = TRUE;
    return TRUE;
}

BOOL CRecordChange::SetInt(const WCHAR* pszSection, const WCHAR* pszKey, int nValue)
{
    WCHAR szValue[16];
    wsprintfW(szValue, L"%i", nValue);
    return Set(pszSection, pszKey, szValue);
}

void CRecordChange::Delete(const WCHAR* pszSection, const WCHAR* pszKey)
{
    if (m_text.Delete(pszSection, pszKey))
        m_bChanged = TRUE;
}

// "~dtXXXX.tmp" beside the record, hidden from the start and with the
// attributes the record will have (but read-only, which would refuse the
// swap); its name is no longer than "Desktop.ini", so it fits wherever the
// record does.
BOOL CRecordChange::MakeCopy(HANDLE* phCopy, DWORD dwAttributes)
{
    int cchFolder = lstrlenW(m_szIniPath);
    while (cchFolder > 0 && m_szIniPath[cchFolder - 1] != L'\\')
        --cchFolder;
    CopyMemory(m_szCopyPath, m_szIniPath, cchFolder * sizeof(WCHAR));
    DWORD dwStart = GetTickCount();
    for (int i = 0; i < s_cCopyNames; ++i) {
        wsprintfW(m_szCopyPath + cchFolder, L"~dt%04X.tmp", (dwStart + i) & 0xFFFF);
        *phCopy = CreateFileW(m_szCopyPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              (dwAttributes | FILE_ATTRIBUTE_HIDDEN) & ~FILE_ATTRIBUTE_READONLY, nullptr);
        if (*phCopy != INVALID_HANDLE_VALUE)
            return TRUE;
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    m_szCopyPath[0] = L'\0';
    return Fail();
}

void CRecordChange::Discard()
{
    if (m_szCopyPath[0] != L'\0')
        DeleteFileW(m_szCopyPath);
    m_szCopyPath[0] = L'\0';
}

DWORD CRecordChange::AttributesAfter(DWORD dwAdded) const
{
    return ((Exists() ? m_dwAttributes : 0) | dwAdded | FILE_ATTRIBUTE_ARCHIVE) & s_dwSettableAttributes;
}

BOOL CRecordChange::WriteCopy(DWORD dwAdded)
{
    if (!m_bChanged)
        return TRUE;
    BYTE* pbFile = nullptr;
    DWORD cbFile = 0;
    if (!EncodeRecord(m_text, &m_encoding, &pbFile, &cbFile)) {
        m_dwError = ERROR_NO_UNICODE_TRANSLATION;
        return FALSE;
    }
    HANDLE hCopy;
    BOOL bWritten = IsStillAsRead();
    if (bWritten)
        ClearStaleCopies(m_szIniPath);
    bWritten = bWritten && MakeCopy(&hCopy, AttributesAfter(dwAdded));
    if (bWritten) {
        DWORD cbWritten = 0;
        bWritten = WriteFile(hCopy, pbFile, cbFile, &cbWritten, nullptr) || Fail();
        if (bWritten && cbWritten != cbFile) {
            m_dwError = ERROR_DISK_FULL;
            bWritten = FALSE;
        }
        bWritten = bWritten && (FlushFileBuffers(hCopy) || Fail());
        bWritten = (CloseHandle(hCopy) || Fail()) && bWritten;
        if (!bWritten)
            Discard();
    }
    HeapFree(GetProcessHeap(), 0, pbFile);
    return bWritten;
}

// A record that another program made after our last look is that
// program's write, as any other.
static BOOL IsNameTaken()
{
    DWORD dwError = GetLastError();
    return dwError == ERROR_ALREADY_EXISTS || dwError == ERROR_FILE_EXISTS;
}

// ReplaceFileW keeps the record's security and identity, and refuses a
// read-only record as every write does: only that bit is cleared for the
// swap, and put back when the swap fails.
BOOL CRecordChange::Swap()
{
    if (!Exists()) {
        if (MoveFileExW(m_szCopyPath, m_szIniPath, 0))
            return TRUE;
        if (IsNameTaken())
            SetLastError(ERROR_FILE_INVALID);
        return FALSE;
    }
    BOOL bReadOnly = (m_dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (bReadOnly && !SetSettableAttributes(m_szIniPath, m_dwAttributes & ~FILE_ATTRIBUTE_READONLY))
        return FALSE;
    if (ReplaceFileW(m_szIniPath, m_szCopyPath, nullptr, 0, nullptr, nullptr))
        return TRUE;
    DWORD dwError = GetLastError();
    if (PutCopyInEmptyPlace())
        return TRUE;
    if (bReadOnly)
        SetSettableAttributes(m_szIniPath, m_dwAttributes);
    SetLastError(dwError);
    return FALSE;
}

// Windows' swap can fail half-way (ERROR_UNABLE_TO_MOVE_REPLACEMENT and _2):
// the record gone from its name, the copy whole under its own. The copy
// then takes the name by itself.
BOOL CRecordChange::PutCopyInEmptyPlace()
{
    return GetFileAttributesW(m_szIniPath) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND &&
           MoveFileExW(m_szCopyPath, m_szIniPath, 0);
}

// The record has the attributes it had, dwAdded, and the archive bit that
// tells a backup it changed. Under Wine it has the copy's, which are those
// but read-only; wherever the swap gave it others, they are set again. A
// copy that could not take a record's empty place is the last whole text,
// and stays.
BOOL CRecordChange::PutInPlace(DWORD dwAdded)
{
    if (!m_bChanged)
        return TRUE;
    if (!IsStillAsRead()) {
        Discard();
        return FALSE;
    }
    if (!Swap()) {
        Fail();
        if (GetFileAttributesW(m_szIniPath) != INVALID_FILE_ATTRIBUTES)
            Discard();
        m_szCopyPath[0] = L'\0';
        return FALSE;
    }
    m_szCopyPath[0] = L'\0';
    DWORD dwWanted = AttributesAfter(dwAdded);
    if ((GetFileAttributesW(m_szIniPath) & s_dwSettableAttributes) != dwWanted)
        SetSettableAttributes(m_szIniPath, dwWanted);
    return TRUE;
}
