#pragma once
// The folder customization record: the folder's own Desktop.ini. Every reader
// and writer of the record names its sections and keys through these.
#include <windows.h>

extern const char g_szClassIdText[];        // the class as Desktop.ini spells it

extern const char g_szRecordFileName[];     // "Desktop.ini"
extern const char g_szSectionShell[];       // ".ShellClassInfo"
extern const char g_szKeyClassId[];         // "CLSID"
extern const char g_szSectionIcons[];       // "QXIcons"
extern const char g_szKeyIconFileClosed[];
extern const char g_szKeyIndexClosed[];
extern const char g_szKeyIconFileOpened[];
extern const char g_szKeyIndexOpened[];
extern const char g_szKeyAnimateLarge[];
extern const char g_szKeyIconResource[];          // the folder's standard icon, "file,index"
extern const char g_szKeyPreviousIconResource[];  // another's standard icon, kept aside
// Every key of our own section, in the order removal deletes them.
extern const char* const g_apszIconKeys[];
extern const int g_cIconKeys;

// Forms "<folder>\Desktop.ini" into a MAX_PATH buffer. A folder whose record
// path would not fit is refused (FALSE, empty buffer) rather than cut short,
// since a cut path names some other file.
BOOL MakeRecordPath(const char* pszFolder, char* pszIniPath);

// Converts a wide path (a folder's, or a file the picker chose) to the system
// code page into a MAX_PATH buffer. Refuses (FALSE, empty buffer) a path that
// does not fit or that has characters the code page cannot represent: a
// best-fit or '?' substitute would name another file or folder, whose record
// we must never touch.
BOOL WidePathToAnsi(const WCHAR* pwszPath, char* pszPath);

// Reads an icon file name of the icon section into a MAX_PATH buffer, or
// pszDefault when the key is missing. A value that does not fit is refused
// (FALSE, empty buffer) rather than cut, since a cut name is another file.
BOOL ReadIconFileName(const char* pszKey, const char* pszDefault, char* pszFile, const char* pszIniPath);

// TRUE when the record at pszIniPath names our class, in any letter case.
BOOL IsFolderCustomized(const char* pszIniPath);

// TRUE when the record at pszIniPath is free for us: no "CLSID" key at all,
// or one that names our class in any letter case. An over-long path is never
// customizable.
BOOL IsFolderCustomizable(const char* pszIniPath);

// TRUE when the record holds anything of ours: our class, or any key of the
// icon section.
BOOL HoldsKeysOfOurs(const char* pszIniPath);
