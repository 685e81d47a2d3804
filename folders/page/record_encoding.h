#pragma once
// The text encoding of a Desktop.ini that we write. A record stays in the
// encoding it has, and a new one is 8-bit text, as long as the code page
// spells every value; a value that it cannot spell turns the record into
// UTF-16 (little-endian, with its byte-order mark, as the shell itself writes
// Desktop.ini), keeping every line of every other program in order. The
// profile functions then write and read it in wide text.
#include <windows.h>

// Prepares the record for writing the given values. FALSE when the record
// had to become UTF-16 and could not.
BOOL PrepareRecordEncoding(const WCHAR* pszIniPath, const WCHAR* const* apszValues, int cValues);
