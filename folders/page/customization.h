#pragma once
// Taking the library's keys out of one Desktop.ini; other sections and keys,
// the section headers and the file's attributes stay as they are (besides
// the archive bit that the change sets).
#include <windows.h>

// FALSE when the record still holds a key of ours afterwards (it could not
// be written).
BOOL RemoveCustomization(const WCHAR* pszIniPath);
