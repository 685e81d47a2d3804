#pragma once
// The copies that changes of a Desktop.ini left behind when they died
// between writing the copy and the swap (the host ended): hidden, they would
// stay in the user's folder for ever.
#include <windows.h>

// Deletes, beside the record at pszIniPath, every copy that is provably ours
// and stale: named as our copies are, hidden, holding our own section, and
// last written an hour ago or more. Any other program's file stays.
void ClearStaleCopies(const WCHAR* pszIniPath);
