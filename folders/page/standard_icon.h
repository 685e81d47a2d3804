#pragma once
// The folder's standard icon key beside our record: "IconResource" in
// ".ShellClassInfo" names the closed icon too, for every reader of Desktop.ini
// that does not run the library. A value of another program's, or of the
// user's own choosing, is kept aside in our section and comes back with the
// removal; a value that no longer is what we wrote is never taken away. What
// we wrote is kept in our section, exactly, to tell it by.
#include "page/record_change.h"

// Makes FILE,INDEX the folder's standard icon, keeping another's value aside
// first. A file the folder may not use (see server/icon_origin.h) takes
// ours away instead, as RestoreStandardIcon does. FALSE when another's value
// is too long to keep (or for want of memory).
BOOL SetStandardIcon(CRecordChange* pChange, const WCHAR* pszFile, int nIndex);

// Takes our standard icon away, putting back the one kept aside when the
// folder may use its file (else none). Call before the record's icon keys
// go.
BOOL RestoreStandardIcon(CRecordChange* pChange);
