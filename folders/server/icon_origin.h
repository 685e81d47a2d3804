#pragma once
// Which icon files the library lets the shell open for a folder. Opening a
// file on another machine makes Windows connect to it and sign in with the
// user's credentials, which hands that machine's owner a hash of the user's
// password: a record that came from elsewhere must not be able to send the
// shell there. A file on another machine is used only for a folder on that
// same share; device paths (a DOS device name such as "LPT1.ico" in any
// folder among them) are never used; local files are, unless a link on
// their path leads to another machine or cannot be read.
#include <windows.h>

// The library's own pair, which stands in for a missing icon file and for
// one that may not be used.
extern const int g_nLibraryIndexClosed;
extern const int g_nLibraryIndexOpened;

// Expands the environment strings of an icon file name as the shell does
// before it opens the file, into a MAX_PATH buffer. FALSE (empty buffer)
// when the expansion does not fit, or when it would change again if expanded
// once more: whoever expands it then opens another file than the one judged.
BOOL ExpandIconFileName(const WCHAR* pszName, WCHAR* pszExpanded);

// pszFolder is the folder's own path; pszIconFile is judged as the shell
// reads it, environment strings expanded. Decided from the names wherever
// they settle it (a file on the folder's own drive, or under the folder's
// own path, is on the folder's machine). Otherwise the system is asked about
// the drive and about each part of the path beyond what it shares with the
// folder's, and a link's target is read from the link itself: nothing on
// another machine is ever opened.
BOOL MayUseIconFile(const WCHAR* pszFolder, const WCHAR* pszIconFile);
