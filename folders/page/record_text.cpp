#include "page/record_text.h"

// The profile services' blanks, ^Z (an old end-of-file mark) among them.
static BOOL IsBlank(WCHAR ch)
{
    return (ch >= 0x09 && ch <= 0x0D) || ch == 0x1A || ch == L' ';
}

static BOOL IsLineEnd(WCHAR ch)
{
    return ch == L'\r' || ch == L'\n';
}

static BOOL SameName(const WCHAR* pszText, int cchText, const WCHAR* pszName)
{
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, pszText, cchText, pszName, -1) == CSTR_EQUAL;
}

CRecordText::CRecordText() : m_pszText(nullptr), m_cchText(0), m_cchCapacity(0)
{
}

CRecordText::~CRecordText()
{
    if (m_pszText)
        HeapFree(GetProcessHeap(), 0, m_pszText);
}

void CRecordText::Adopt(WCHAR* pszText, int cch)
{
    if (m_pszText)
        HeapFree(GetProcessHeap(), 0, m_pszText);
    m_pszText = pszText;
    m_cchText = m_cchCapacity = cch;
}

CRecordText::Line CRecordText::LineAt(int iStart) const
{
    Line line = {iStart, iStart, iStart};
    while (line.iEnd < m_cchText && !IsLineEnd(m_pszText[line.iEnd]))
        ++line.iEnd;
    line.iNext = line.iEnd;
    if (line.iNext < m_cchText)
        line.iNext += m_pszText[line.iNext] == L'\r' && line.iNext + 1 < m_cchText &&
                              m_pszText[line.iNext + 1] == L'\n'
                          ? 2
                          : 1;
    return line;
}

// Walks the lines up to the key, or to the end of the first section of that
// name, as the profile reader would see them.
CRecordText::Found CRecordText::Find(const WCHAR* pszSection, const WCHAR* pszKey) const
{
    Found found = {-1, {-1, -1, -1}, -1, -1};
    for (int i = 0; i < m_cchText;) {
        Line line = LineAt(i);
        i = line.iNext;
        int iStart = line.iStart, iEnd = line.iEnd;
        while (iStart < iEnd && IsBlank(m_pszText[iStart]))
            ++iStart;
        while (iEnd > iStart && IsBlank(m_pszText[iEnd - 1]))
            --iEnd;
        if (iStart == iEnd)
            continue;
        int iClose = iEnd;
        while (m_pszText[iStart] == L'[' && iClose > iStart + 1 && m_pszText[iClose - 1] != L']')
            --iClose;
        if (m_pszText[iStart] == L'[' && iClose > iStart + 1) {
            if (found.iSectionEnd >= 0)
                return found;
            int iName = iStart + 1, iNameEnd = iClose - 1;
            while (iName < iNameEnd && IsBlank(m_pszText[iName]))
                ++iName;
            while (iNameEnd > iName && IsBlank(m_pszText[iNameEnd - 1]))
                --iNameEnd;
            if (SameName(m_pszText + iName, iNameEnd - iName, pszSection))
                found.iSectionEnd = line.iEnd;
            continue;
        }
        if (found.iSectionEnd < 0)
            continue;
        found.iSectionEnd = line.iEnd;
        int iEquals = iStart;
        while (iEquals < iEnd && m_pszText[iEquals] != L'=')
            ++iEquals;
        int iNameEnd = iEquals;
        while (iNameEnd > iStart && IsBlank(m_pszText[iNameEnd - 1]))
            --iNameEnd;
        if (!SameName(m_pszText + iStart, iNameEnd - iStart, pszKey))
            continue;
        found.key = line;
        if (iEquals < iEnd) {
            found.iValue = iEquals + 1;
            while (found.iValue < iEnd && IsBlank(m_pszText[found.iValue]))
                ++found.iValue;
            found.iValueEnd = iEnd;
        }
        return found;
    }
    return found;
}

BOOL CRecordText::Get(const WCHAR* pszSection, const WCHAR* pszKey, WCHAR* pszValue, int cchValue) const
{
    Found found = Find(pszSection, pszKey);
    pszValue[0] = L'\0';
    if (found.key.iStart < 0)
        return FALSE;
    int iValue = found.iValue;
    int cch = iValue < 0 ? 0 : found.iValueEnd - iValue;
    if (cch >= 2 && (m_pszText[iValue] == L'"' || m_pszText[iValue] == L'\'') &&
        m_pszText[iValue + cch - 1] == m_pszText[iValue]) {
        ++iValue;
        cch -= 2;
    }
    if (cch >= cchValue)
        return FALSE;
    CopyMemory(pszValue, m_pszText + iValue, cch * sizeof(WCHAR));
    pszValue[cch] = L'\0';
    return TRUE;
}

BOOL CRecordText::Has(const WCHAR* pszSection, const WCHAR* pszKey) const
{
    return Find(pszSection, pszKey).key.iStart >= 0;
}

BOOL CRecordText::HasSection(const WCHAR* pszSection) const
{
    return Find(pszSection, L"").iSectionEnd >= 0;
}

// New lines end as the file's first line does.
const WCHAR* CRecordText::LineEnd() const
{
    Line first = LineAt(0);
    if (first.iEnd == m_cchText || first.iNext - first.iEnd == 2)
        return L"\r\n";
    return m_pszText[first.iEnd] == L'\n' ? L"\n" : L"\r";
}

// Opens a gap of cchNew characters for cchOld at iStart, filled from
// pszNew when given.
BOOL CRecordText::Replace(int iStart, int cchOld, const WCHAR* pszNew, int cchNew)
{
    int cchWanted = m_cchText - cchOld + cchNew;
    if (cchWanted > m_cchCapacity) {
        int cchCapacity = cchWanted < 256 ? 256 : cchWanted * 2;
        WCHAR* pszText = static_cast<WCHAR*>(
            m_pszText ? HeapReAlloc(GetProcessHeap(), 0, m_pszText, cchCapacity * sizeof(WCHAR))
                      : HeapAlloc(GetProcessHeap(), 0, cchCapacity * sizeof(WCHAR)));
        if (!pszText)
            return FALSE;
        m_pszText = pszText;
        m_cchCapacity = cchCapacity;
    }
    MoveMemory(m_pszText + iStart + cchNew, m_pszText + iStart + cchOld,
               (m_cchText - iStart - cchOld) * sizeof(WCHAR));
    if (pszNew)
        CopyMemory(m_pszText + iStart, pszNew, cchNew * sizeof(WCHAR));
    m_cchText = cchWanted;
    return TRUE;
}

BOOL CRecordText::Insert(int iAt, const WCHAR* const* apszParts, int cParts)
{
    int cchTotal = 0;
    for (int i = 0; i < cParts; ++i)
        cchTotal += lstrlenW(apszParts[i]);
    if (!Replace(iAt, 0, nullptr, cchTotal))
        return FALSE;
    for (int i = 0; i < cParts; ++i) {
        int cch = lstrlenW(apszParts[i]);
        CopyMemory(m_pszText + iAt, apszParts[i], cch * sizeof(WCHAR));
        iAt += cch;
    }
    return TRUE;
}

// A new key goes after the last line of its section that holds text; a new
// section goes at the end of the file.
BOOL CRecordText::Set(const WCHAR* pszSection, const WCHAR* pszKey, const WCHAR* pszValue)
{
    Found found = Find(pszSection, pszKey);
    if (found.iValue >= 0)
        return Replace(found.iValue, found.iValueEnd - found.iValue, pszValue, lstrlenW(pszValue));
    const WCHAR* pszEnd = LineEnd();
    if (found.key.iStart >= 0) {
        const WCHAR* apszLine[] = {pszKey, L"=", pszValue};
        return Replace(found.key.iStart, found.key.iEnd - found.key.iStart, nullptr, 0) &&
               Insert(found.key.iStart, apszLine, 3);
    }
    if (found.iSectionEnd >= 0) {
        const WCHAR* apszLine[] = {pszEnd, pszKey, L"=", pszValue};
        return Insert(found.iSectionEnd, apszLine, 4);
    }
    BOOL bOpenLine = m_cchText > 0 && !IsLineEnd(m_pszText[m_cchText - 1]);
    const WCHAR* apszSection[] = {bOpenLine ? pszEnd : L"", L"[", pszSection, L"]", pszEnd,
                                  pszKey, L"=", pszValue, bOpenLine ? L"" : pszEnd};
    return Insert(m_cchText, apszSection, 9);
}

// A last line without a line end stays so: the line end before it goes.
BOOL CRecordText::Delete(const WCHAR* pszSection, const WCHAR* pszKey)
{
    Line key = Find(pszSection, pszKey).key;
    if (key.iStart < 0)
        return FALSE;
    int iStart = key.iStart;
    if (key.iNext == key.iEnd && iStart > 0) {
        if (m_pszText[iStart - 1] == L'\n')
            --iStart;
        if (iStart > 0 && m_pszText[iStart - 1] == L'\r')
            --iStart;
    }
    Replace(iStart, key.iNext - iStart, nullptr, 0);
    return TRUE;
}
