#pragma once
// Reading registry values as text into fixed buffers, and the number rule
// applied to such text and to the record's numbers, as the profile services
// read a number.
#include <windows.h>

// Reads a value of any type as text into pszText (cbText bytes) and ends it
// with a zero. A value that does not fit, terminator included, is refused
// (FALSE) rather than cut, and stored data need not carry its own terminator.
BOOL QueryValueText(HKEY hKey, const char* pszValue, char* pszText, DWORD cbText);

// Leading blanks, an optional sign, then decimal digits up to the first
// non-digit; no digits give 0. Saturates instead of overflowing.
int ParseDecimal(const char* pszText);
int ParseDecimal(const WCHAR* pszText);

// Splits "file,index": the file is the text before the first comma, the index
// the number after the last one. FALSE (outputs untouched) when there is no
// comma or the file part does not fit in MAX_PATH.
BOOL ParseIconLocation(const char* pszText, char* pszFile, int* pnIndex);
