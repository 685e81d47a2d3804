#pragma once
// A Desktop.ini's text in memory, read and edited as the profile services
// read it: sections and keys are found without regard to letter case and
// blanks around them, in the first section of a name. An edit touches only
// its own line; every other line keeps every character and its line end,
// and a last line without a line end keeps going without one.
#include <windows.h>

class CRecordText {
public:
    CRecordText();
    ~CRecordText();
    CRecordText(const CRecordText&) = delete;
    CRecordText& operator=(const CRecordText&) = delete;

    // Takes over a heap block of cch characters (no terminator needed).
    void Adopt(WCHAR* pszText, int cch);
    const WCHAR* Text() const { return m_pszText; }
    int Length() const { return m_cchText; }

    // The value's text as it stands after "=", without the blanks around
    // it and, as the profile services read it, without a pair of quotes
    // around it, into cchValue characters. FALSE when the key is missing or the
    // value does not fit (then pszValue is empty).
    BOOL Get(const WCHAR* pszSection, const WCHAR* pszKey, WCHAR* pszValue, int cchValue) const;
    BOOL Has(const WCHAR* pszSection, const WCHAR* pszKey) const;
    BOOL HasSection(const WCHAR* pszSection) const;
    // FALSE only when there is no memory for the longer text.
    BOOL Set(const WCHAR* pszSection, const WCHAR* pszKey, const WCHAR* pszValue);
    // TRUE when the key was there (its whole line goes).
    BOOL Delete(const WCHAR* pszSection, const WCHAR* pszKey);

private:
    struct Line {
        int iStart, iEnd;        // the line, without its line end
        int iNext;               // where the next line starts
    };
    struct Found {
        int iSectionEnd;         // end of the section's last line with text, -1 without the section
        Line key;                // the key's line; iStart -1 when missing
        int iValue, iValueEnd;   // the value without blanks; -1 without "="
    };
    Line LineAt(int iStart) const;
    Found Find(const WCHAR* pszSection, const WCHAR* pszKey) const;
    const WCHAR* LineEnd() const;
    BOOL Replace(int iStart, int cchOld, const WCHAR* pszNew, int cchNew);
    BOOL Insert(int iAt, const WCHAR* const* apszParts, int cParts);

    WCHAR* m_pszText;
    int m_cchText;
    int m_cchCapacity;
};
