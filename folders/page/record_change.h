#pragma once
// One change of a folder's Desktop.ini, whole or not at all: the record is
// read once, changed in memory, written to a hidden copy beside it, flushed
// to the disk and put in its place in one step that keeps its attributes and
// security. Until then the record stays byte for byte as it was, and on any
// failure the copy goes again, unless it is the last whole text left. Apply,
// the removal and the uninstall scan all change the record this way.
//
// The folder is held open from the first write to the end, so that it can
// be neither renamed nor replaced by a link; the copy is written and swapped
// only while the folder's path still leads to that folder and the record is
// still the file and the version that was read. A record that another
// program wrote meanwhile fails the change with ERROR_FILE_INVALID: the
// caller begins again on the new text, in the same folder. A record that is
// a link, a record that is another file by the time the folder is held, and
// a folder that is no longer the one held fail it with
// ERROR_CANT_RESOLVE_FILENAME: nothing outside the folder is ever written.
#include "page/record_encoding.h"
#include "page/record_text.h"

#include <windows.h>

// Sets what a program may set of a file's or folder's attributes (the
// others, directory or reparse point, are only reported).
BOOL SetSettableAttributes(const WCHAR* pszPath, DWORD dwAttributes);

class CRecordChange {
public:
    CRecordChange();
    ~CRecordChange();
    CRecordChange(const CRecordChange&) = delete;
    CRecordChange& operator=(const CRecordChange&) = delete;

    // Reads the record (a missing one reads as empty). FALSE when it cannot
    // be read, or not exactly (ERROR_INVALID_DATA): it must not be changed.
    // Called again after a write, it reads the record of the same folder
    // afresh, every change in memory dropped.
    BOOL Begin(const WCHAR* pszIniPath);
    BOOL Exists() const { return m_dwAttributes != INVALID_FILE_ATTRIBUTES; }
    const WCHAR* Path() const { return m_szIniPath; }

    BOOL Get(const WCHAR* pszSection, const WCHAR* pszKey, WCHAR* pszValue, int cchValue) const
    {
        return m_text.Get(pszSection, pszKey, pszValue, cchValue);
    }
    BOOL Has(const WCHAR* pszSection, const WCHAR* pszKey) const { return m_text.Has(pszSection, pszKey); }
    BOOL Set(const WCHAR* pszSection, const WCHAR* pszKey, const WCHAR* pszValue);
    BOOL SetInt(const WCHAR* pszSection, const WCHAR* pszKey, int nValue);
    void Delete(const WCHAR* pszSection, const WCHAR* pszKey);

    // Writes the changed text to the copy, which is to have the
    // attributes that PutInPlace gives; nothing to do when nothing changed.
    BOOL WriteCopy(DWORD dwAdded);
    // Puts the copy in the record's place, which then has the attributes it
    // had, dwAdded and the archive bit. FALSE, the record untouched, when
    // that cannot be done.
    BOOL PutInPlace(DWORD dwAdded);
    BOOL Commit(DWORD dwAdded) { return WriteCopy(dwAdded) && PutInPlace(dwAdded); }
    // Deletes the copy; the record stays as it was.
    void Discard();
    // The error of the step that failed.
    DWORD Error() const { return m_dwError; }
    // TRUE when the change failed only because another program wrote the
    // record after it was read.
    BOOL ChangedMeanwhile() const { return m_dwError == ERROR_FILE_INVALID; }

private:
    BOOL Fail();
    BOOL Refuse(DWORD dwError);
    BOOL HoldFolder();
    BOOL IsStillAsRead();
    BOOL Read(HANDLE hFile);
    DWORD AttributesAfter(DWORD dwAdded) const;
    BOOL MakeCopy(HANDLE* phCopy, DWORD dwAttributes);
    BOOL Swap();
    BOOL PutCopyInEmptyPlace();

    WCHAR m_szIniPath[MAX_PATH];
    WCHAR m_szCopyPath[MAX_PATH];
    HANDLE m_hFolder;
    BY_HANDLE_FILE_INFORMATION m_folder;
    BY_HANDLE_FILE_INFORMATION m_record;   // as read; unset when there was none
    DWORD m_dwAttributes;   // the record's, INVALID_FILE_ATTRIBUTES when there was none
    CRecordText m_text;
    RecordEncoding m_encoding;
    BOOL m_bChanged;
    DWORD m_dwError;
};
