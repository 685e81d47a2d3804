#pragma once
// Driving folders.dll's setup entry points and building Desktop.ini fixtures
// in the drive-isolated scan prefix.
#include <windows.h>

#include "library_calls.h"

#include <string>
#include <vector>

using RunDllEntry = void(CALLBACK*)(HWND, HINSTANCE, LPSTR, int);

struct SetupEntries {
    HMODULE module = nullptr;
    RunDllEntry install = nullptr;
    RunDllEntry uninstall = nullptr;
};

// Loads the folders.dll next to the test and finds its two entry points.
SetupEntries load_setup_entries();
// Calls a RunDLL entry point as the setup file's RunDLL step does (no window,
// an empty command line) and returns how many bytes of arguments it took off
// the stack: 16 for a right stdcall entry (always so on 64-bit, which has one
// calling convention).
DWORD call_run_dll_entry(RunDllEntry entry);

extern const char kOurClass[];       // as Desktop.ini spells it
extern const char kMissing[];        // read back for a key that is not there

// The prefix is safe for a scan only when no drive maps the Linux root and no
// user folder is a link out of the prefix. Empty when safe, else the reason.
std::string scan_prefix_problem();
// Why a test that reaches a scan refuses any other prefix, and what to do.
extern const char kScanRefusal[];

// Deletes everything in a folder but the names kept; never follows links.
void empty_folder(const std::wstring& folder, const std::vector<std::wstring>& keep);
// Creates every folder along the path.
void make_folders(const std::string& path);
// Writes FOLDER\Desktop.ini with TEXT, hidden, and makes the folder read-only,
// as applying a customization leaves them.
void write_record(const std::string& folder, const std::string& text,
                  const char* file_name = "Desktop.ini");
// A record that carries our class and all five icon keys.
std::string our_record_text();
std::string read_file(const std::string& path);
std::string read_key(const std::string& ini_path, const char* section, const char* key);
bool is_customized(const std::string& folder);

// Runs "msiexec ARGUMENTS" as a user or an administrator types it and returns
// its exit code, or WAIT_TIMEOUT when it has not ended within two minutes.
DWORD run_msiexec(const std::string& arguments);

// An entry of the list of installed programs.
struct InstalledProgram {
    std::string key;
    std::string version;
    std::string publisher;
    std::string uninstall;
    DWORD no_modify = 0;
    DWORD no_repair = 0;
};
// Every entry showing NAME, wherever the list is read from: the machine's
// (in both registry views) and the user's.
std::vector<InstalledProgram> installed_programs(const std::string& name);

// What one call of Uninstall showed and did.
struct UninstallRun {
    bool finished = false;
    bool box_shown = false;
    std::string box_text;
    std::string box_caption;
    bool box_has_icon = true;
    bool box_has_owner = true;
    bool box_has_cancel = true;
    bool box_has_ok = false;
    std::string report_text;   // a later box's, which says what the removal could not do
    std::vector<NoticeCall> notices;
    std::vector<RedrawCall> redraws;
    std::vector<AttributeCall> attribute_sets;
};

// Calls Uninstall on a worker thread, answers its message boxes with OK
// (after calling on_box, while the first is still up), and records the shell
// notices and the redraw (library_calls.h), keeping the stand-ins' settings.
// A call that does not return within the route's timeout fails the case.
UninstallRun run_uninstall(const SetupEntries& entries, void (*on_box)(void*), void* context,
                           DWORD timeout_ms);
