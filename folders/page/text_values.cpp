#include "page/text_values.h"

#include <climits>
#include <cstring>

BOOL QueryValueText(HKEY hKey, const char* pszValue, char* pszText, DWORD cbText)
{
    DWORD cbData = cbText - 1;
    LONG lResult = RegQueryValueExA(hKey, pszValue, nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(pszText), &cbData);
    if (lResult != ERROR_SUCCESS || cbData > cbText - 1) {
        pszText[0] = '\0';
        return FALSE;
    }
    pszText[cbData] = '\0';
    return TRUE;
}

template <typename Char> static int ParseDecimalText(const Char* pszText)
{
    while (*pszText == ' ' || *pszText == '\t')
        ++pszText;
    bool bNegative = *pszText == '-';
    if (*pszText == '-' || *pszText == '+')
        ++pszText;
    long long nValue = 0;
    for (; *pszText >= '0' && *pszText <= '9'; ++pszText) {
        nValue = nValue * 10 + (*pszText - '0');
        if (nValue > INT_MAX) {
            nValue = INT_MAX;
            break;
        }
    }
    return static_cast<int>(bNegative ? -nValue : nValue);
}

int ParseDecimal(const char* pszText)
{
    return ParseDecimalText(pszText);
}

int ParseDecimal(const WCHAR* pszText)
{
    return ParseDecimalText(pszText);
}

BOOL ParseIconLocation(const char* pszText, char* pszFile, int* pnIndex)
{
    const char* pszFirstComma = std::strchr(pszText, ',');
    if (!pszFirstComma)
        return FALSE;
    size_t cchFile = pszFirstComma - pszText;
    if (cchFile >= MAX_PATH)
        return FALSE;
    std::memcpy(pszFile, pszText, cchFile);
    pszFile[cchFile] = '\0';
    *pnIndex = ParseDecimal(std::strrchr(pszText, ',') + 1);
    return TRUE;
}
