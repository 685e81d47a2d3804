#pragma once
// Which icon files the library lets the shell open for a folder. Opening a
// file on another machine makes Windows connect to it and sign in with the
// user's credentials, which hands that machine's owner a hash of the user's
// password: a record that came from elsewhere must not be able to send the
// shell there. A file on another machine is used only for a folder on that
// same share; device paths are never used; local files always are.
#include <windows.h>

// The library's own pair, which stands in for a missing icon file and for
// one that may not be used.
extern const int g_nLibraryIndexClosed;
extern const int g_nLibraryIndexOpened;

// pszFolderPath is the folder or any path inside it (its record). Decided
// from the names alone: nothing on the icon file's path is opened; only a
// drive letter's own mapping is looked up.
BOOL MayUseIconFile(const WCHAR* pszFolderPath, const WCHAR* pszIconFile);
