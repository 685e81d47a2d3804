#pragma once
// Taking the library's keys out of one Desktop.ini; other sections and keys,
// the section headers and all attributes stay as they are.
#include <windows.h>

// FALSE when the record still names our class afterwards (it could not be
// written).
BOOL RemoveCustomization(const char* pszIniPath);
