#pragma once
// The uninstall scan: takes our customization out of every Desktop.ini below
// a directory.

// pszDirectory has no trailing backslash; a drive is given as "C:".
void ClearCustomizationsInTree(const char* pszDirectory);
