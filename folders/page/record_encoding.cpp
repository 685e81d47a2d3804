#include "page/record_encoding.h"

#include "server/record.h"

static const WCHAR s_chByteOrderMark = 0xFEFF;

// A Desktop.ini is a few lines; anything far larger is not one we rewrite.
static const DWORD s_cbLargestRecord = 1024 * 1024;

static BOOL NeedsWideText(const WCHAR* const* apszValues, int cValues)
{
    for (int i = 0; i < cValues; ++i) {
        if (!IsSpelledByCodePage(apszValues[i]))
            return TRUE;
    }
    return FALSE;
}

static BOOL IsUtf16(const BYTE* pbText, DWORD cbText)
{
    return cbText >= 2 && ((pbText[0] == 0xFF && pbText[1] == 0xFE) || (pbText[0] == 0xFE && pbText[1] == 0xFF));
}

// Text after a UTF-8 byte-order mark is UTF-8; any other is in the code page.
static UINT TextCodePage(const BYTE** ppbText, DWORD* pcbText)
{
    if (*pcbText < 3 || (*ppbText)[0] != 0xEF || (*ppbText)[1] != 0xBB || (*ppbText)[2] != 0xBF)
        return CP_ACP;
    *ppbText += 3;
    *pcbText -= 3;
    return CP_UTF8;
}

static BOOL WriteAll(HANDLE hFile, const void* pvData, DWORD cbData)
{
    DWORD cbWritten = 0;
    return WriteFile(hFile, pvData, cbData, &cbWritten, nullptr) && cbWritten == cbData;
}

// Rewrites the 8-bit text of the open file as UTF-16 from its start.
static BOOL RewriteAsUtf16(HANDLE hFile, const BYTE* pbText, DWORD cbText)
{
    UINT uCodePage = TextCodePage(&pbText, &cbText);
    const char* pszText = reinterpret_cast<const char*>(pbText);
    int cchText = cbText ? MultiByteToWideChar(uCodePage, 0, pszText, static_cast<int>(cbText), nullptr, 0) : 0;
    if (cbText && cchText == 0)
        return FALSE;
    WCHAR* pszWide = static_cast<WCHAR*>(HeapAlloc(GetProcessHeap(), 0, (cchText + 1) * sizeof(WCHAR)));
    if (!pszWide)
        return FALSE;
    MultiByteToWideChar(uCodePage, 0, pszText, static_cast<int>(cbText), pszWide, cchText);
    BOOL bWritten = SetFilePointer(hFile, 0, nullptr, FILE_BEGIN) == 0 &&
                    WriteAll(hFile, &s_chByteOrderMark, sizeof s_chByteOrderMark) &&
                    WriteAll(hFile, pszWide, cchText * sizeof(WCHAR)) && SetEndOfFile(hFile);
    HeapFree(GetProcessHeap(), 0, pszWide);
    return bWritten;
}

// Opens (or creates) the record, and turns 8-bit text into UTF-16.
static BOOL MakeRecordWide(const WCHAR* pszIniPath)
{
    HANDLE hFile = CreateFileW(pszIniPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL bDone = FALSE;
    DWORD cbText = GetFileSize(hFile, nullptr);
    BYTE* pbText = cbText <= s_cbLargestRecord
                       ? static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, cbText + 1))
                       : nullptr;
    DWORD cbRead = 0;
    if (pbText && ReadFile(hFile, pbText, cbText, &cbRead, nullptr) && cbRead == cbText)
        bDone = IsUtf16(pbText, cbText) || RewriteAsUtf16(hFile, pbText, cbText);
    if (pbText)
        HeapFree(GetProcessHeap(), 0, pbText);
    CloseHandle(hFile);
    return bDone;
}

BOOL PrepareRecordEncoding(const WCHAR* pszIniPath, const WCHAR* const* apszValues, int cValues)
{
    return !NeedsWideText(apszValues, cValues) || MakeRecordWide(pszIniPath);
}
