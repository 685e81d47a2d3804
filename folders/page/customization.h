#pragma once
// Writing and removing a folder's customization record.
#include <windows.h>

// Deletes our six keys from the record; the section headers and the file's
// and folder's attributes stay. Always returns 1.
BOOL RemoveCustomization(const char* pszIniPath);
