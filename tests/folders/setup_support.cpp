#include "folders/setup_support.h"

#include "support/programs.h"
#include "support/stdcall.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>

const char kOurClass[] = "{5E676C24-194A-11d1-9FCB-4854E821E610}";
const char kMissing[] = "<missing>";
const char kScanRefusal[] = "refusing to run: start this test through scripts/run-scan-test.sh";

SetupEntries load_setup_entries()
{
    SetupEntries entries;
    entries.module = LoadLibraryA(sibling_path("folders.dll").c_str());
    if (entries.module) {
        record_library_calls(entries.module);
        entries.install = reinterpret_cast<RunDllEntry>(
            reinterpret_cast<void*>(GetProcAddress(entries.module, "Install")));
        entries.uninstall = reinterpret_cast<RunDllEntry>(
            reinterpret_cast<void*>(GetProcAddress(entries.module, "Uninstall")));
    }
    return entries;
}

DWORD call_run_dll_entry(RunDllEntry entry)
{
    char command_line[] = "";
#ifdef __i386__
    const DWORD arguments[] = {0, 0, reinterpret_cast<DWORD>(command_line), SW_SHOWNORMAL};
    return call_counting_popped_bytes(reinterpret_cast<void*>(entry), arguments, 4);
#else
    entry(nullptr, nullptr, command_line, SW_SHOWNORMAL);
    return 16;
#endif
}

namespace {

using UnixNameFunction = char*(CDECL*)(LPCWSTR);

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string drive_problem(UnixNameFunction unix_name, const std::wstring& root)
{
    std::string problem;
    char* name = unix_name(root.c_str());
    if (name && std::strcmp(name, "/") == 0)
        problem = "a drive maps the Linux root";
    HeapFree(GetProcessHeap(), 0, name);
    if (exists(root + L"proc\\self") && exists(root + L"etc\\passwd"))
        problem = "a drive looks like the Linux root";
    return problem;
}

std::string link_problem(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return "";
    std::string problem;
    do {
        bool is_dir = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (!is_dir || data.cFileName[0] == L'.')
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            problem = "a user folder is a link out of the prefix";
        else
            problem = link_problem(folder + L"\\" + data.cFileName);
    } while (problem.empty() && FindNextFileW(find, &data));
    FindClose(find);
    return problem;
}

}

std::string scan_prefix_problem()
{
    auto unix_name = reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!unix_name)
        return "not running under Wine: a scan would touch real drives";
    WCHAR roots[260] = {};
    GetLogicalDriveStringsW(260, roots);
    for (const WCHAR* root = roots; *root; root += lstrlenW(root) + 1) {
        std::string problem = drive_problem(unix_name, root);
        if (!problem.empty())
            return problem + " (" + std::string(1, static_cast<char>(root[0])) + ":)";
    }
    return link_problem(L"c:\\users");
}

void empty_folder(const std::wstring& folder, const std::vector<std::wstring>& keep)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L".." || std::find(keep.begin(), keep.end(), name) != keep.end())
            continue;
        std::wstring path = folder + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            empty_folder(path, {});
            RemoveDirectoryW(path.c_str());
        } else {
            DeleteFileW(path.c_str());
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

void make_folders(const std::string& path)
{
    for (size_t at = path.find('\\', 3); ; at = path.find('\\', at + 1)) {
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
        if (at == std::string::npos)
            break;
    }
}

void write_record(const std::string& folder, const std::string& text, const char* file_name)
{
    make_folders(folder);
    std::string path = folder + "\\" + file_name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY);
}

std::string our_record_text()
{
    return std::string("[.ShellClassInfo]\r\nCLSID=") + kOurClass + "\r\n"
           "[QXIcons]\r\n"
           "IconFileClosed=c:\\windows\\system32\\shell32.dll\r\nIndexClosed=3\r\n"
           "IconFileOpened=c:\\windows\\system32\\shell32.dll\r\nIndexOpened=4\r\n"
           "AnimateLarge=1\r\n";
}

std::string read_file(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return kMissing;
    std::string text(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    return text;
}

std::string read_key(const std::string& ini_path, const char* section, const char* key)
{
    char value[MAX_PATH];
    GetPrivateProfileStringA(section, key, kMissing, value, sizeof value, ini_path.c_str());
    return value;
}

bool is_customized(const std::string& folder)
{
    return read_key(folder + "\\Desktop.ini", ".ShellClassInfo", "CLSID") == kOurClass;
}

DWORD run_msiexec(const std::string& arguments)
{
    return run_command("msiexec " + arguments);
}

namespace {

std::string entry_text(HKEY key, const char* name)
{
    char text[1024] = "<missing>";
    DWORD size = sizeof text;
    RegGetValueA(key, nullptr, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, text, &size);
    return text;
}

DWORD entry_number(HKEY key, const char* name)
{
    DWORD number = 0;
    DWORD size = sizeof number;
    RegGetValueA(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &number, &size);
    return number;
}

void add_programs(HKEY root, REGSAM view, const std::string& name, std::vector<InstalledProgram>& out)
{
    HKEY list = nullptr;
    if (RegOpenKeyExA(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0, KEY_READ | view, &list)
        != ERROR_SUCCESS)
        return;
    char subkey[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof subkey;
        if (RegEnumKeyExA(list, i, subkey, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY entry = nullptr;
        if (RegOpenKeyExA(list, subkey, 0, KEY_READ | view, &entry) != ERROR_SUCCESS)
            continue;
        InstalledProgram program = {subkey, entry_text(entry, "DisplayVersion"), entry_text(entry, "Publisher"),
                                    entry_text(entry, "UninstallString"), entry_number(entry, "NoModify"),
                                    entry_number(entry, "NoRepair")};
        bool same_key = false;
        for (const InstalledProgram& seen : out)
            same_key = same_key || (seen.key == program.key && root == HKEY_LOCAL_MACHINE);
        if (entry_text(entry, "DisplayName") == name && !same_key)
            out.push_back(program);
        RegCloseKey(entry);
    }
    RegCloseKey(list);
}

}

std::vector<InstalledProgram> installed_programs(const std::string& name)
{
    std::vector<InstalledProgram> programs;
    add_programs(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, name, programs);
    add_programs(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, name, programs);
    add_programs(HKEY_CURRENT_USER, 0, name, programs);
    return programs;
}

namespace {

struct WorkerArguments {
    RunDllEntry uninstall;
    DWORD popped_bytes;
};

DWORD WINAPI uninstall_worker(void* parameter)
{
    auto* worker = static_cast<WorkerArguments*>(parameter);
    worker->popped_bytes = call_run_dll_entry(worker->uninstall);
    return 0;
}

BOOL CALLBACK match_box(HWND window, LPARAM lparam)
{
    char class_name[16];
    if (GetClassNameA(window, class_name, sizeof class_name) && std::strcmp(class_name, "#32770") == 0
        && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(lparam) = window;
        return FALSE;
    }
    return TRUE;
}

HWND find_box(DWORD thread_id)
{
    HWND box = nullptr;
    EnumThreadWindows(thread_id, match_box, reinterpret_cast<LPARAM>(&box));
    return box;
}

bool has_visible_item(HWND box, int id)
{
    HWND item = GetDlgItem(box, id);
    return item && IsWindowVisible(item);
}

// Windows gives the message box's icon the identifier 20, Wine 1088.
bool has_icon(HWND box)
{
    for (int id : {20, 1088}) {
        if (has_visible_item(box, id) && SendDlgItemMessageA(box, id, STM_GETICON, 0, 0))
            return true;
    }
    return false;
}

void inspect_box(HWND box, UninstallRun& run)
{
    char text[512] = {};
    run.box_shown = true;
    GetWindowTextA(box, text, sizeof text);
    run.box_caption = text;
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    run.box_text = text;
    run.box_has_icon = has_icon(box);
    run.box_has_owner = GetWindow(box, GW_OWNER) != nullptr;
    run.box_has_ok = has_visible_item(box, IDOK);
    run.box_has_cancel = has_visible_item(box, IDCANCEL);
}

void pump_until(HANDLE thread, DWORD timeout_ms, DWORD thread_id, UninstallRun& run, void (*on_box)(void*),
                void* context)
{
    DWORD start = GetTickCount();
    HWND first_box = nullptr;
    while (GetTickCount() - start < timeout_ms) {
        if (MsgWaitForMultipleObjects(1, &thread, FALSE, 20, QS_ALLINPUT) == WAIT_OBJECT_0) {
            run.finished = true;
            return;
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        HWND box = find_box(thread_id);
        if (box && box != first_box && !run.box_shown) {
            first_box = box;
            inspect_box(box, run);
            if (on_box)
                on_box(context);
        } else if (box && box != first_box) {
            char text[512] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            run.report_text = text;
        }
        if (box)
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    }
}

}

UninstallRun run_uninstall(const SetupEntries& entries, void (*on_box)(void*), void* context,
                           DWORD timeout_ms)
{
    library_calls().notices.clear();
    library_calls().redraws.clear();
    library_calls().attribute_sets.clear();
    UninstallRun run;
    WorkerArguments arguments = {entries.uninstall, 0};
    DWORD thread_id = 0;
    HANDLE thread = CreateThread(nullptr, 0, uninstall_worker, &arguments, 0, &thread_id);
    // A scan that never returns may hold any lock of the process: neither
    // killing its thread nor going on without it is safe. The case fails,
    // and waits on (ctest's own limit ends a scan that never returns).
    pump_until(thread, route_ms(timeout_ms), thread_id, run, on_box, context);
    if (!run.finished) {
        ADD_FAILURE() << "Uninstall did not return within " << route_ms(timeout_ms) << " ms";
        pump_until(thread, INFINITE, thread_id, run, on_box, context);
    }
    EXPECT_EQ(arguments.popped_bytes, 16u) << "Uninstall unbalanced its caller's stack";
    CloseHandle(thread);
    run.notices = library_calls().notices;
    run.redraws = library_calls().redraws;
    run.attribute_sets = library_calls().attribute_sets;
    return run;
}
