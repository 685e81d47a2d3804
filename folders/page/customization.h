#pragma once
// Taking the library's keys out of one Desktop.ini, in one change: all of
// them go, or none. Other sections and keys, the section headers and the
// file's attributes stay as they are (besides the archive bit that the
// change sets); a record that names another class is left whole.
#include <windows.h>

// FALSE, with the record as it was and the reason as the last error, when
// it could not be changed; ERROR_INVALID_DATA for a record that cannot be
// read exactly. *pbRemoved, when asked for, tells whether the record held
// anything of ours and now does not.
BOOL RemoveCustomization(const WCHAR* pszIniPath, BOOL* pbRemoved = nullptr);

// Whether this account may store the shell's icon colour depth, a setting
// of the system's default profile.
BOOL CanStoreAllColors();
