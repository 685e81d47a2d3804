#pragma once
// Calls that folders.dll makes through its import table, recorded by the
// tests: what Wine does not let a test see (its SHChangeNotify drops the
// SHCNF_DWORD form before any listener sees it, it keeps no read-only
// attribute on folders, its property sheet ignores a page's activation
// context, and no call tells whether a context was given back) and what must
// not really run (WinHelpA). Where Wine is more lenient than Windows, the
// library meets Windows' rules: a conversion to UTF-8 refuses the best-fit
// flag and the default-character report, and a swap may fail half-way. Where
// it is stricter, Windows' rule stands: a folder being listed can be renamed.
#include <windows.h>
#include <commctrl.h>
#include <msi.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct NoticeCall {
    LONG event;
    UINT flags;
    const void* item1;
    const void* item2;
    std::string path;         // item1's text for SHCNF_PATHA, or SHCNF_PATHW's in the code page
    std::wstring wide_path;   // item1's text for SHCNF_PATHW
};
struct RedrawCall {
    HWND window;
    const RECT* rect;
    HRGN region;
    UINT flags;
};
struct AttributeCall {
    std::string path;   // in the system code page
    DWORD attributes;
    std::wstring wide_path;
};
struct HelpCall {
    HWND window;
    std::string file;
    UINT command;
    std::vector<DWORD> map;   // the pairs, up to and with the closing zeros
};
struct PageCall {
    DWORD flags;
    HANDLE context;   // hActCtx, or null when the description is too short to hold one
    UINT* ref_parent; // the count the sheet changes, or null without PSP_USEREFPARENT
};
struct ImageListDestroyCall {
    HIMAGELIST list;
    int images;   // what the list still held when the library destroyed it
};

// A message to the installer: its type, and its fields from the template
// (field 0) on, as text.
struct InstallerMessage {
    INSTALLMESSAGE type;
    std::vector<std::wstring> fields;
};

struct LibraryCalls {
    std::vector<NoticeCall> notices;   // not passed on to the shell
    std::vector<RedrawCall> redraws;
    std::vector<AttributeCall> attribute_sets;
    std::vector<HelpCall> help;        // not passed on: no help program runs
    std::vector<ImageListDestroyCall> image_list_destroys;
    std::vector<PageCall> pages;       // passed on
    std::vector<HANDLE> released_contexts;
    // While set, no file can be opened for writing, as on a medium the user
    // may not write.
    bool refuse_writes = false;
    // While set, no file can take another's place, as when another program
    // holds the record open.
    bool refuse_swaps = false;
    // When set, ReplaceFileW without a backup name fails half-way with this
    // error, as Windows' may: with ERROR_UNABLE_TO_MOVE_REPLACEMENT the
    // replaced file is gone, with _2 it lies under the name "moved
    // aside.ini"; the replacement keeps its own name either way.
    DWORD swaps_fail_halfway = 0;
    // While set, no flush of a file reaches the disk, as on a failing one.
    bool refuse_flushes = false;
    // Runs as the library creates a new file to write, which it does only
    // for the copy of a record, between the read of the record and the swap:
    // another program's write, a folder put in the place of another.
    std::function<void()> on_new_file;
    // Runs as the library opens a folder itself, which it does to hold the
    // record's folder, after the read and before the first write.
    std::function<void()> on_folder_open;
    // Attributes that listings add to these paths' entries, as a cloud
    // drive's placeholders report them (Wine keeps no such bits).
    std::vector<std::pair<std::wstring, DWORD>> listed_attributes;
    // While set, no folder's attributes can be changed, as on a share that
    // does not grant it.
    bool refuse_folder_attributes = false;
    // While set, folders keep the read-only attribute they are given, as on
    // Windows (Wine keeps none on folders).
    bool folders_keep_read_only = false;
    std::vector<std::wstring> read_only_folders;
    // While set, every write to a file stores only half of what it is given
    // and says so, as on a volume that fills up during the write.
    bool short_writes = false;
    // A folder that cannot be listed, as one whose owner grants no listing.
    std::wstring unlistable;
    // While set, the library runs as an account without elevation: as on
    // Windows, neither the system's default profile (HKEY_USERS\.Default)
    // nor the machine's keys can be opened for writing.
    bool unelevated = false;
    // While set, the system's code page is UTF-8, as a Windows set to use
    // UTF-8 for its 8-bit text has it.
    bool utf8_code_page = false;
    // When set, the shell's icon picker (ordinal 62) answers with this file
    // and index at once; it notes the file it was started on.
    std::wstring picked_file;
    int picked_index = 0;
    // When set, the picker answers at once that the user cancelled.
    bool picker_cancels = false;
    std::wstring picker_start;
    // What the library told the installer (msi.dll's MsiProcessMessage,
    // which it finds by name), answered as its dialog would: Cancel once the
    // folder shown is cancel_at.
    std::vector<InstallerMessage> installer_messages;
    std::wstring cancel_at;
    // Every path the library opened, looked at (a file, or a drive's root) or
    // extracted an icon from.
    std::vector<std::wstring> file_calls;
    // Folders that read as symbolic links, as Windows reads them: each
    // reports the reparse-point attribute and FSCTL_GET_REPARSE_POINT gives
    // its target ("\??\C:\...", "\??\UNC\server\share\..." or one relative
    // to the link's folder). Wine reads the target of no link (error 4390).
    std::vector<std::pair<std::wstring, std::wstring>> links;
    // While set, this drive letter is a network drive mapped to the share,
    // as Windows reports one (Wine's drive types are fixed at its start).
    WCHAR network_drive = 0;
    std::wstring network_share;
    void clear() { *this = LibraryCalls(); }
};

// What the patched libraries did since the last clear.
LibraryCalls& library_calls();
// Patches MODULE's import table so that the calls above are recorded; safe
// to call again for the same (or a reloaded) module.
void record_library_calls(HMODULE module);
