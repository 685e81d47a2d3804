#pragma once
// The folder customization record: the folder's own Desktop.ini. Every reader
// and writer of the record names its sections and keys through these. Paths
// and values are wide text: a folder or icon file may have any name.
#include <windows.h>

extern const WCHAR g_szClassIdText[];        // the class as Desktop.ini spells it

extern const WCHAR g_szRecordFileName[];     // "Desktop.ini"
extern const WCHAR g_szSectionShell[];       // ".ShellClassInfo"
extern const WCHAR g_szKeyClassId[];         // "CLSID"
extern const WCHAR g_szSectionIcons[];       // "QXIcons"
extern const WCHAR g_szKeyIconFileClosed[];
extern const WCHAR g_szKeyIndexClosed[];
extern const WCHAR g_szKeyIconFileOpened[];
extern const WCHAR g_szKeyIndexOpened[];
extern const WCHAR g_szKeyAnimateLarge[];
extern const WCHAR g_szKeyIconResource[];          // the folder's standard icon, "file,index"
extern const WCHAR g_szKeyPreviousIconResource[];  // another's standard icon, kept aside
extern const WCHAR g_szKeyWrittenIconResource[];   // the standard icon as we wrote it
// Every key of our own section, in the order removal deletes them.
extern const WCHAR* const g_apszIconKeys[];
extern const int g_cIconKeys;

// Forms "<folder>\Desktop.ini" into a MAX_PATH buffer. A folder whose record
// path would not fit is refused (FALSE, empty buffer) rather than cut short,
// since a cut path names some other file.
BOOL MakeRecordPath(const WCHAR* pszFolder, WCHAR* pszIniPath);

// TRUE when the system code page spells the text exactly: no best-fit or
// '?' substitute, which would name another file.
BOOL IsSpelledByCodePage(const WCHAR* pszText);

// Converts a wide path to the system code page into a MAX_PATH buffer, for
// callers that speak 8-bit text. Refuses (FALSE, empty buffer) a path that
// does not fit or that the code page cannot spell exactly.
BOOL WidePathToAnsi(const WCHAR* pwszPath, char* pszPath);

// Reads an icon file name of the icon section into a MAX_PATH buffer, or
// pszDefault when the key is missing. A value that does not fit is refused
// (FALSE, empty buffer) rather than cut, since a cut name is another file.
BOOL ReadIconFileName(const WCHAR* pszKey, const WCHAR* pszDefault, WCHAR* pszFile, const WCHAR* pszIniPath);

// TRUE when the record at pszIniPath is free for us: no "CLSID" key at all,
// or one that names our class in any letter case. An over-long path is never
// customizable.
BOOL IsFolderCustomizable(const WCHAR* pszIniPath);
