#pragma once
// Taking the library's keys out of one Desktop.ini; other sections and keys,
// the section headers and all attributes stay as they are.
#include <windows.h>

BOOL RemoveCustomization(const char* pszIniPath);
