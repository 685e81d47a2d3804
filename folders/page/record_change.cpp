#include "page/record_change.h"

// A Desktop.ini is a few lines; anything far larger is not one we rewrite.
static const DWORD s_cbLargestRecord = 1024 * 1024;

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
    : m_szIniPath(), m_szCopyPath(), m_dwAttributes(INVALID_FILE_ATTRIBUTES), m_encoding(RecordCodePage),
      m_bChanged(FALSE), m_dwError(ERROR_SUCCESS)
{
}

CRecordChange::~CRecordChange()
{
    Discard();
}

BOOL CRecordChange::Fail()
{
    m_dwError = GetLastError();
    return FALSE;
}

// Another program that has the record open for writing keeps us out: its
// next write would be lost under ours.
BOOL CRecordChange::Begin(const WCHAR* pszIniPath)
{
    lstrcpynW(m_szIniPath, pszIniPath, MAX_PATH);
    HANDLE hFile = CreateFileW(m_szIniPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND || Fail();
    BY_HANDLE_FILE_INFORMATION info;
    BYTE* pbFile = nullptr;
    DWORD cbRead = 0;
    BOOL bRead = GetFileInformationByHandle(hFile, &info);
    if (bRead && (info.nFileSizeHigh != 0 || info.nFileSizeLow > s_cbLargestRecord)) {
        SetLastError(ERROR_INVALID_DATA);
        bRead = FALSE;
    }
    if (bRead) {
        pbFile = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, info.nFileSizeLow + 1));
        bRead = pbFile && ReadFile(hFile, pbFile, info.nFileSizeLow, &cbRead, nullptr) &&
                cbRead == info.nFileSizeLow;
    }
    if (bRead && !DecodeRecord(pbFile, cbRead, &m_text, &m_encoding)) {
        SetLastError(ERROR_INVALID_DATA);
        bRead = FALSE;
    }
    if (!bRead)
        Fail();
    if (pbFile)
        HeapFree(GetProcessHeap(), 0, pbFile);
    CloseHandle(hFile);
    if (bRead)
        m_dwAttributes = info.dwFileAttributes;
    return bRead;
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
    BOOL bWritten = MakeCopy(&hCopy, AttributesAfter(dwAdded));
    if (bWritten) {
        DWORD cbWritten = 0;
        bWritten = WriteFile(hCopy, pbFile, cbFile, &cbWritten, nullptr) || Fail();
        if (bWritten && cbWritten != cbFile) {
            m_dwError = ERROR_DISK_FULL;
            bWritten = FALSE;
        }
        bWritten = (CloseHandle(hCopy) || Fail()) && bWritten;
        if (!bWritten)
            Discard();
    }
    HeapFree(GetProcessHeap(), 0, pbFile);
    return bWritten;
}

// ReplaceFileW keeps the record's security and identity, and refuses a
// read-only record as every write does: only that bit is cleared for the
// swap, and put back when the swap fails.
BOOL CRecordChange::Swap()
{
    if (!Exists())
        return MoveFileExW(m_szCopyPath, m_szIniPath, 0);
    BOOL bReadOnly = (m_dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (bReadOnly && !SetSettableAttributes(m_szIniPath, m_dwAttributes & ~FILE_ATTRIBUTE_READONLY))
        return FALSE;
    if (ReplaceFileW(m_szIniPath, m_szCopyPath, nullptr, 0, nullptr, nullptr))
        return TRUE;
    DWORD dwError = GetLastError();
    if (bReadOnly)
        SetSettableAttributes(m_szIniPath, m_dwAttributes);
    SetLastError(dwError);
    return FALSE;
}

// The record has the attributes it had, dwAdded, and the archive bit that
// tells a backup it changed. Under Wine it has the copy's, which are those
// but read-only; wherever the swap gave it others, they are set again.
BOOL CRecordChange::PutInPlace(DWORD dwAdded)
{
    if (!m_bChanged)
        return TRUE;
    if (!Swap()) {
        Fail();
        Discard();
        return FALSE;
    }
    m_szCopyPath[0] = L'\0';
    DWORD dwWanted = AttributesAfter(dwAdded);
    if ((GetFileAttributesW(m_szIniPath) & s_dwSettableAttributes) != dwWanted)
        SetSettableAttributes(m_szIniPath, dwWanted);
    return TRUE;
}
