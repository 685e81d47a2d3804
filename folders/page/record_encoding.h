#pragma once
// The bytes of a Desktop.ini and its text. A record is read only when its
// bytes give its text exactly and back again: 8-bit text in the system code
// page, UTF-8 after its byte-order mark, or UTF-16 in either byte order after
// its mark; bytes invalid in their encoding, a NUL (8-bit text without a mark
// that is UTF-16 in truth), or UTF-16 cut in half are not, and such a record
// is never rewritten. A record is written back in the encoding it had; 8-bit
// text that the code page cannot spell (a value we write) becomes UTF-16,
// little-endian with its mark, as the shell itself writes Desktop.ini.
#include "page/record_text.h"

#include <windows.h>

enum RecordEncoding { RecordCodePage, RecordUtf8, RecordUtf16, RecordUtf16BigEndian };

// A Desktop.ini is a few lines; anything far larger is not one we read.
extern const DWORD g_cbLargestRecord;

// FALSE when the bytes do not give the text exactly (or for want of memory).
BOOL DecodeRecord(const BYTE* pbFile, DWORD cbFile, CRecordText* pText, RecordEncoding* pEncoding);

// Reads the whole of an open record, at most g_cbLargestRecord bytes, and
// decodes it. FALSE, with the reason as the last error, when it cannot all be
// read, or is larger, shrank meanwhile or does not give the text exactly
// (ERROR_INVALID_DATA).
BOOL ReadRecordText(HANDLE hFile, CRecordText* pText, RecordEncoding* pEncoding);

// Into a process-heap block for the caller to free; *pEncoding tells what
// the bytes became. FALSE when the text has no exact form (or for want of
// memory).
BOOL EncodeRecord(const CRecordText& text, RecordEncoding* pEncoding, BYTE** ppbFile, DWORD* pcbFile);
