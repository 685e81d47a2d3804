#include "page/record_encoding.h"

const DWORD g_cbLargestRecord = 1024 * 1024;

static const BYTE s_abUtf8Mark[] = {0xEF, 0xBB, 0xBF};
static const BYTE s_abUtf16Mark[] = {0xFF, 0xFE};
static const BYTE s_abUtf16BigEndianMark[] = {0xFE, 0xFF};

static BOOL StartsWith(const BYTE* pbFile, DWORD cbFile, const BYTE* pbMark, DWORD cbMark)
{
    return cbFile >= cbMark && RtlEqualMemory(pbFile, pbMark, cbMark);
}

static void* Allocate(DWORD cb)
{
    return HeapAlloc(GetProcessHeap(), 0, cb ? cb : 1);
}

static void SwapBytes(WCHAR* pszText, int cch)
{
    for (int i = 0; i < cch; ++i)
        pszText[i] = static_cast<WCHAR>((pszText[i] << 8) | (pszText[i] >> 8));
}

// Windows' UTF-8 conversions take no best-fit flag and report no default
// character; they refuse broken text instead.
static int ToBytes(UINT uCodePage, const WCHAR* pszText, int cch, BYTE* pbOut, int cbOut)
{
    if (cch == 0)
        return 0;
    BOOL bUtf8 = uCodePage == CP_UTF8;
    BOOL bUsedDefault = FALSE;
    int cb = WideCharToMultiByte(uCodePage, bUtf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, pszText, cch,
                                 reinterpret_cast<char*>(pbOut), cbOut, nullptr, bUtf8 ? nullptr : &bUsedDefault);
    return bUsedDefault || cb == 0 ? -1 : cb;
}

// The file's bytes, its mark first, in a new block.
static BOOL Encode(const CRecordText& text, RecordEncoding encoding, BYTE** ppbFile, DWORD* pcbFile)
{
    const BYTE* pbMark = encoding == RecordUtf8    ? s_abUtf8Mark
                         : encoding == RecordUtf16 ? s_abUtf16Mark
                                                   : s_abUtf16BigEndianMark;
    DWORD cbMark = encoding == RecordCodePage ? 0 : encoding == RecordUtf8 ? 3 : 2;
    UINT uCodePage = encoding == RecordUtf8 ? CP_UTF8 : GetACP();
    BOOL bWide = encoding == RecordUtf16 || encoding == RecordUtf16BigEndian;
    int cbText = bWide ? text.Length() * static_cast<int>(sizeof(WCHAR))
                       : ToBytes(uCodePage, text.Text(), text.Length(), nullptr, 0);
    if (cbText < 0)
        return FALSE;
    BYTE* pbFile = static_cast<BYTE*>(Allocate(cbMark + cbText));
    if (!pbFile)
        return FALSE;
    CopyMemory(pbFile, pbMark, cbMark);
    if (bWide) {
        CopyMemory(pbFile + cbMark, text.Text(), cbText);
        if (encoding == RecordUtf16BigEndian)
            SwapBytes(reinterpret_cast<WCHAR*>(pbFile + cbMark), text.Length());
    } else if (cbText) {
        ToBytes(uCodePage, text.Text(), text.Length(), pbFile + cbMark, cbText);
    }
    *ppbFile = pbFile;
    *pcbFile = cbMark + cbText;
    return TRUE;
}

static BOOL DecodeWide(const BYTE* pbText, DWORD cbText, BOOL bBigEndian, CRecordText* pText)
{
    if (cbText % sizeof(WCHAR))
        return FALSE;
    int cch = static_cast<int>(cbText / sizeof(WCHAR));
    WCHAR* pszText = static_cast<WCHAR*>(Allocate(cbText));
    if (!pszText)
        return FALSE;
    CopyMemory(pszText, pbText, cbText);
    if (bBigEndian)
        SwapBytes(pszText, cch);
    pText->Adopt(pszText, cch);
    return TRUE;
}

static BOOL DecodeBytes(UINT uCodePage, const BYTE* pbText, DWORD cbText, CRecordText* pText)
{
    const char* pszBytes = reinterpret_cast<const char*>(pbText);
    int cch = cbText ? MultiByteToWideChar(uCodePage, MB_ERR_INVALID_CHARS, pszBytes, static_cast<int>(cbText),
                                           nullptr, 0)
                     : 0;
    if (cbText && cch == 0)
        return FALSE;
    WCHAR* pszText = static_cast<WCHAR*>(Allocate(cch * sizeof(WCHAR)));
    if (!pszText)
        return FALSE;
    if (cch)
        MultiByteToWideChar(uCodePage, MB_ERR_INVALID_CHARS, pszBytes, static_cast<int>(cbText), pszText, cch);
    pText->Adopt(pszText, cch);
    return TRUE;
}

static BOOL HoldsNul(const CRecordText& text)
{
    for (int i = 0; i < text.Length(); ++i) {
        if (text.Text()[i] == L'\0')
            return TRUE;
    }
    return FALSE;
}

// The text must give back the very bytes it came from.
static BOOL GivesBack(const CRecordText& text, RecordEncoding encoding, const BYTE* pbFile, DWORD cbFile)
{
    BYTE* pbAgain = nullptr;
    DWORD cbAgain = 0;
    if (!Encode(text, encoding, &pbAgain, &cbAgain))
        return FALSE;
    BOOL bSame = cbAgain == cbFile && RtlEqualMemory(pbAgain, pbFile, cbFile);
    HeapFree(GetProcessHeap(), 0, pbAgain);
    return bSame;
}

BOOL DecodeRecord(const BYTE* pbFile, DWORD cbFile, CRecordText* pText, RecordEncoding* pEncoding)
{
    BOOL bDecoded;
    if (StartsWith(pbFile, cbFile, s_abUtf16Mark, 2)) {
        *pEncoding = RecordUtf16;
        bDecoded = DecodeWide(pbFile + 2, cbFile - 2, FALSE, pText);
    } else if (StartsWith(pbFile, cbFile, s_abUtf16BigEndianMark, 2)) {
        *pEncoding = RecordUtf16BigEndian;
        bDecoded = DecodeWide(pbFile + 2, cbFile - 2, TRUE, pText);
    } else if (StartsWith(pbFile, cbFile, s_abUtf8Mark, 3)) {
        *pEncoding = RecordUtf8;
        bDecoded = DecodeBytes(CP_UTF8, pbFile + 3, cbFile - 3, pText);
    } else {
        *pEncoding = RecordCodePage;
        bDecoded = DecodeBytes(GetACP(), pbFile, cbFile, pText);
    }
    return bDecoded && !HoldsNul(*pText) && GivesBack(*pText, *pEncoding, pbFile, cbFile);
}

BOOL ReadRecordText(HANDLE hFile, CRecordText* pText, RecordEncoding* pEncoding)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(hFile, &size))
        return FALSE;
    if (size.QuadPart > g_cbLargestRecord) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    DWORD cbFile = size.LowPart;
    BYTE* pbFile = static_cast<BYTE*>(Allocate(cbFile));
    if (!pbFile) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    DWORD cbRead = 0;
    BOOL bRead = ReadFile(hFile, pbFile, cbFile, &cbRead, nullptr);
    if (bRead && (cbRead != cbFile || !DecodeRecord(pbFile, cbRead, pText, pEncoding))) {
        SetLastError(ERROR_INVALID_DATA);
        bRead = FALSE;
    }
    HeapFree(GetProcessHeap(), 0, pbFile);
    return bRead;
}

BOOL EncodeRecord(const CRecordText& text, RecordEncoding* pEncoding, BYTE** ppbFile, DWORD* pcbFile)
{
    if (Encode(text, *pEncoding, ppbFile, pcbFile))
        return TRUE;
    if (*pEncoding != RecordCodePage)
        return FALSE;
    *pEncoding = RecordUtf16;
    return Encode(text, *pEncoding, ppbFile, pcbFile);
}
