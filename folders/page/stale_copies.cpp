#include "page/stale_copies.h"

#include "page/record_encoding.h"
#include "server/record.h"

// A change takes milliseconds: a copy an hour old belongs to none under way
// (in the 100-ns units of a file time).
static const ULONGLONG s_ullStaleAge = 60ull * 60 * 10000000;

static BOOL IsHexDigit(WCHAR ch)
{
    return (ch >= L'0' && ch <= L'9') || (ch >= L'A' && ch <= L'F');
}

// "~dtXXXX.tmp", as MakeCopy names them; the listing's wildcards match more.
static BOOL IsCopyName(const WCHAR* pszName)
{
    if (lstrlenW(pszName) != 11 || pszName[0] != L'~' || pszName[1] != L'd' || pszName[2] != L't' ||
        lstrcmpW(pszName + 7, L".tmp") != 0)
        return FALSE;
    for (int i = 3; i < 7; ++i)
        if (!IsHexDigit(pszName[i]))
            return FALSE;
    return TRUE;
}

static BOOL IsStale(const FILETIME& ftWrite)
{
    FILETIME ftNow;
    GetSystemTimeAsFileTime(&ftNow);
    ULARGE_INTEGER now = {{ftNow.dwLowDateTime, ftNow.dwHighDateTime}};
    ULARGE_INTEGER written = {{ftWrite.dwLowDateTime, ftWrite.dwHighDateTime}};
    return now.QuadPart > written.QuadPart + s_ullStaleAge;
}

// Every copy we write holds our section whenever its record did.
static BOOL HoldsOurSection(const WCHAR* pszPath)
{
    HANDLE hFile = CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    CRecordText text;
    RecordEncoding encoding = RecordCodePage;
    BOOL bOurs = ReadRecordText(hFile, &text, &encoding) &&
                 text.HasSection(g_szSectionIcons);
    CloseHandle(hFile);
    return bOurs;
}

void ClearStaleCopies(const WCHAR* pszIniPath)
{
    WCHAR szPath[MAX_PATH];
    int cchFolder = lstrlenW(pszIniPath);
    while (cchFolder > 0 && pszIniPath[cchFolder - 1] != L'\\')
        --cchFolder;
    if (cchFolder + 11 >= MAX_PATH)
        return;
    CopyMemory(szPath, pszIniPath, cchFolder * sizeof(WCHAR));
    lstrcpyW(szPath + cchFolder, L"~dt*.tmp");
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(szPath, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    const DWORD dwNotOurs = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    do {
        if (!IsCopyName(fd.cFileName) || !(fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) ||
            (fd.dwFileAttributes & dwNotOurs) || !IsStale(fd.ftLastWriteTime))
            continue;
        lstrcpyW(szPath + cchFolder, fd.cFileName);
        if (HoldsOurSection(szPath))
            DeleteFileW(szPath);
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
}
