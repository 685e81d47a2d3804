#include "library_calls.h"

#include "scratch.h"
#include "support/imports.h"

#include <shellapi.h>
#include <msiquery.h>
#include <shlobj.h>
#include <winnetwk.h>

#include <winioctl.h>

#include <cstring>
#include <cwctype>
#include <map>

namespace {

LibraryCalls g_calls;

// A wide path is kept as the system code page spells it, and whole.
void WINAPI record_notice(LONG event, UINT flags, LPCVOID item1, LPCVOID item2)
{
    NoticeCall call = {event, flags, item1, item2, "", L""};
    if ((flags & SHCNF_TYPE) == SHCNF_PATHA && item1)
        call.path = static_cast<const char*>(item1);
    if ((flags & SHCNF_TYPE) == SHCNF_PATHW && item1) {
        call.wide_path = static_cast<const WCHAR*>(item1);
        call.path = narrow(call.wide_path);
    }
    g_calls.notices.push_back(call);
}

BOOL WINAPI record_redraw(HWND window, const RECT* rect, HRGN region, UINT flags)
{
    g_calls.redraws.push_back({window, rect, region, flags});
    return RedrawWindow(window, rect, region, flags);
}

std::vector<std::wstring>::iterator read_only_folder(const std::wstring& path)
{
    std::vector<std::wstring>& folders = g_calls.read_only_folders;
    for (auto at = folders.begin(); at != folders.end(); ++at) {
        if (lstrcmpiW(at->c_str(), path.c_str()) == 0)
            return at;
    }
    return folders.end();
}

BOOL WINAPI record_attributes(LPCWSTR path, DWORD attributes)
{
    g_calls.attribute_sets.push_back({narrow(path), attributes, path});
    DWORD before = GetFileAttributesW(path);
    bool folder = before != INVALID_FILE_ATTRIBUTES && (before & FILE_ATTRIBUTE_DIRECTORY);
    if (g_calls.refuse_folder_attributes && folder) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!SetFileAttributesW(path, attributes))
        return FALSE;
    auto kept = read_only_folder(path);
    if (kept != g_calls.read_only_folders.end())
        g_calls.read_only_folders.erase(kept);
    if (folder && g_calls.folders_keep_read_only && (attributes & FILE_ATTRIBUTE_READONLY))
        g_calls.read_only_folders.push_back(path);
    return TRUE;
}

std::wstring folder_of(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L'\\'));
}

// A refusal leaves both files as they were; a failure half-way leaves the
// replaced file gone from its name.
BOOL WINAPI replace_as_told(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID exclude,
                            LPVOID reserved)
{
    if (g_calls.refuse_swaps) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (g_calls.swaps_fail_halfway && !backup) {
        if (g_calls.swaps_fail_halfway == ERROR_UNABLE_TO_MOVE_REPLACEMENT)
            DeleteFileW(replaced);
        else
            MoveFileExW(replaced, (folder_of(replaced) + L"\\moved aside.ini").c_str(), 0);
        SetLastError(g_calls.swaps_fail_halfway);
        return FALSE;
    }
    return ReplaceFileW(replaced, replacement, backup, flags, exclude, reserved);
}

BOOL WINAPI flush_as_told(HANDLE file)
{
    if (g_calls.refuse_flushes) {
        SetLastError(ERROR_IO_DEVICE);
        return FALSE;
    }
    return FlushFileBuffers(file);
}

BOOL WINAPI refuse_move(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    if (g_calls.refuse_swaps) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return MoveFileExW(from, to, flags);
}

bool refused_key(HKEY root, const std::wstring& name, REGSAM access)
{
    const REGSAM writes = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | WRITE_DAC | WRITE_OWNER;
    bool system_key = root == HKEY_LOCAL_MACHINE || (root == HKEY_USERS && _wcsnicmp(name.c_str(), L".Default", 8) == 0);
    return g_calls.unelevated && system_key && (access & writes);
}

LSTATUS WINAPI open_key(HKEY root, LPCSTR name, DWORD options, REGSAM access, PHKEY key)
{
    if (refused_key(root, widen(name ? name : ""), access)) {
        *key = nullptr;
        return ERROR_ACCESS_DENIED;
    }
    return RegOpenKeyExA(root, name, options, access, key);
}

LSTATUS WINAPI open_key_wide(HKEY root, LPCWSTR name, DWORD options, REGSAM access, PHKEY key)
{
    if (refused_key(root, name ? name : L"", access)) {
        *key = nullptr;
        return ERROR_ACCESS_DENIED;
    }
    return RegOpenKeyExW(root, name, options, access, key);
}

BOOL WINAPI record_help(HWND window, LPCSTR file, UINT command, ULONG_PTR data)
{
    HelpCall call = {window, file ? file : "", command, {}};
    const DWORD* pairs = reinterpret_cast<const DWORD*>(data);
    for (int i = 0; pairs && i < 64; i += 2) {
        call.map.insert(call.map.end(), pairs + i, pairs + i + 2);
        if (pairs[i] == 0 && pairs[i + 1] == 0)
            break;
    }
    g_calls.help.push_back(call);
    return TRUE;
}

// A list that was freed already reports no images (Wine checks the handle).
BOOL WINAPI record_image_list_destroy(HIMAGELIST list)
{
    g_calls.image_list_destroys.push_back({list, ImageList_GetImageCount(list)});
    return ImageList_Destroy(list);
}

HPROPSHEETPAGE WINAPI record_page(LPCPROPSHEETPAGEA page)
{
    bool has_context = page->dwSize >= sizeof(PROPSHEETPAGEA_V3);
    g_calls.pages.push_back({page->dwFlags, has_context ? page->hActCtx : nullptr,
                             (page->dwFlags & PSP_USEREFPARENT) ? page->pcRefParent : nullptr});
    return CreatePropertySheetPageA(page);
}

void WINAPI record_context_release(HANDLE context)
{
    g_calls.released_contexts.push_back(context);
    ReleaseActCtx(context);
}

UINT WINAPI system_code_page()
{
    return g_calls.utf8_code_page ? CP_UTF8 : GetACP();
}

// Windows fails a conversion to UTF-8 (or UTF-7) that asks for a default
// character, reports its use or takes any flag but WC_ERR_INVALID_CHARS.
int WINAPI convert_as_windows(UINT code_page, DWORD flags, LPCWCH text, int length, LPSTR out, int size,
                              LPCCH default_char, LPBOOL used_default)
{
    if (g_calls.utf8_code_page && (code_page == CP_ACP || code_page == CP_THREAD_ACP))
        code_page = CP_UTF8;
    if ((code_page == CP_UTF8 || code_page == CP_UTF7) && (default_char || used_default)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((code_page == CP_UTF8 || code_page == CP_UTF7) && (flags & ~DWORD(WC_ERR_INVALID_CHARS))) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    return WideCharToMultiByte(code_page, flags, text, length, out, size, default_char, used_default);
}

int WINAPI pick_as_told(HWND, WCHAR* file, UINT size, int* index)
{
    g_calls.picker_start = file;
    if (g_calls.picker_cancels)
        return 0;
    lstrcpynW(file, g_calls.picked_file.c_str(), static_cast<int>(size));
    *index = g_calls.picked_index;
    return 1;
}

// The handles opened on a link itself, by the path they were opened with.
std::map<HANDLE, std::wstring> g_link_handles;

const std::wstring* link_target(const std::wstring& path)
{
    for (const auto& link : g_calls.links)
        if (lstrcmpiW(link.first.c_str(), path.c_str()) == 0)
            return &link.second;
    return nullptr;
}

HANDLE WINAPI record_create_file(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE tmpl)
{
    g_calls.file_calls.push_back(path);
    if (disposition == CREATE_NEW && g_calls.on_new_file)
        g_calls.on_new_file();
    if ((flags & FILE_FLAG_BACKUP_SEMANTICS) && g_calls.on_folder_open)
        g_calls.on_folder_open();
    if (g_calls.refuse_writes && (access & (GENERIC_WRITE | FILE_WRITE_DATA))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE file = CreateFileW(path, access, share, security, disposition, flags, tmpl);
    if (file != INVALID_HANDLE_VALUE && (flags & FILE_FLAG_OPEN_REPARSE_POINT))
        g_link_handles[file] = path;
    return file;
}

DWORD WINAPI record_get_attributes(LPCWSTR path)
{
    g_calls.file_calls.push_back(path);
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return attributes;
    if (read_only_folder(path) != g_calls.read_only_folders.end())
        attributes |= FILE_ATTRIBUTE_READONLY;
    return link_target(path) ? attributes | FILE_ATTRIBUTE_REPARSE_POINT : attributes;
}

BOOL WINAPI write_file(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    if (g_calls.short_writes && size > 1)
        size /= 2;
    return WriteFile(file, data, size, written, overlapped);
}

HANDLE WINAPI find_first_file(LPCWSTR pattern, LPWIN32_FIND_DATAW data)
{
    const std::wstring& folder = g_calls.unlistable;
    if (!folder.empty() && _wcsnicmp(pattern, folder.c_str(), folder.size()) == 0 && pattern[folder.size()] == L'\\') {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return FindFirstFileW(pattern, data);
}

// A symbolic link's reparse data: the substitute name, then the same as the
// name shown.
BOOL WINAPI read_link(HANDLE file, DWORD code, LPVOID in, DWORD in_size, LPVOID out, DWORD out_size,
                      LPDWORD returned, LPOVERLAPPED overlapped)
{
    auto opened = g_link_handles.find(file);
    const std::wstring* target = opened != g_link_handles.end() ? link_target(opened->second) : nullptr;
    if (code != FSCTL_GET_REPARSE_POINT || !target)
        return DeviceIoControl(file, code, in, in_size, out, out_size, returned, overlapped);
    const WORD name_size = WORD(target->size() * sizeof(WCHAR));
    const DWORD header = 20;  // tag, sizes, the two names' places, flags
    if (out_size < header + 2 * name_size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    bool relative = target->compare(0, 4, L"\\??\\") != 0;
    BYTE* data = static_cast<BYTE*>(out);
    const DWORD tag = IO_REPARSE_TAG_SYMLINK, flags = relative ? 1 : 0;
    const WORD fields[] = {WORD(12 + 2 * name_size), 0, 0, name_size, name_size, name_size};
    std::memcpy(data, &tag, 4);
    std::memcpy(data + 4, fields, sizeof fields);
    std::memcpy(data + 16, &flags, 4);
    std::memcpy(data + header, target->data(), name_size);
    std::memcpy(data + header + name_size, target->data(), name_size);
    *returned = header + 2 * name_size;
    return TRUE;
}

HICON WINAPI record_extract_icon(HINSTANCE instance, LPCWSTR file, UINT index)
{
    g_calls.file_calls.push_back(file);
    return ExtractIconW(instance, file, index);
}

// How the page extracts an icon by its resource identifier.
UINT WINAPI record_private_extract(LPCWSTR file, int index, int width, int height, HICON* icons, UINT* ids,
                                   UINT count, UINT flags)
{
    g_calls.file_calls.push_back(file);
    return PrivateExtractIconsW(file, index, width, height, icons, ids, count, flags);
}

// Windows lets a folder that is being listed be renamed; Wine's listing
// keeps it from that. The library's listings are read whole at the first
// call and handed out from memory, so that the folder is free as on Windows.
struct Listing {
    std::vector<WIN32_FIND_DATAW> entries;
    size_t next = 0;
};

void add_listed_attributes(const std::wstring& folder, WIN32_FIND_DATAW& entry)
{
    for (const auto& listed : g_calls.listed_attributes)
        if (lstrcmpiW(listed.first.c_str(), (folder + L"\\" + entry.cFileName).c_str()) == 0)
            entry.dwFileAttributes |= listed.second;
}

HANDLE WINAPI list_at_once(LPCWSTR pattern, LPWIN32_FIND_DATAW data)
{
    WIN32_FIND_DATAW entry = {};
    HANDLE find = find_first_file(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE)
        return find;
    auto* listing = new Listing;
    do {
        add_listed_attributes(folder_of(pattern), entry);
        listing->entries.push_back(entry);
        entry.dwReserved0 = 0;
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    *data = listing->entries[listing->next++];
    return reinterpret_cast<HANDLE>(listing);
}

BOOL WINAPI next_listed(HANDLE find, LPWIN32_FIND_DATAW data)
{
    auto* listing = reinterpret_cast<Listing*>(find);
    if (listing->next == listing->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = listing->entries[listing->next++];
    return TRUE;
}

BOOL WINAPI close_listing(HANDLE find)
{
    delete reinterpret_cast<Listing*>(find);
    return TRUE;
}

bool is_network_drive(LPCWSTR name)
{
    return g_calls.network_drive && name && towupper(name[0]) == towupper(g_calls.network_drive) &&
           name[1] == L':';
}

UINT WINAPI drive_type(LPCWSTR root)
{
    g_calls.file_calls.push_back(root ? root : L"");
    return is_network_drive(root) ? DRIVE_REMOTE : GetDriveTypeW(root);
}

DWORD WINAPI drive_connection(LPCWSTR local, LPWSTR remote, LPDWORD size)
{
    if (!is_network_drive(local))
        return WNetGetConnectionW(local, remote, size);
    if (*size <= g_calls.network_share.size()) {
        *size = static_cast<DWORD>(g_calls.network_share.size() + 1);
        return ERROR_MORE_DATA;
    }
    lstrcpyW(remote, g_calls.network_share.c_str());
    return NO_ERROR;
}

int WINAPI installer_message(MSIHANDLE, INSTALLMESSAGE type, MSIHANDLE record)
{
    InstallerMessage message = {static_cast<INSTALLMESSAGE>(type & 0xFF000000), {}};
    for (UINT field = 0; field <= MsiRecordGetFieldCount(record); ++field) {
        WCHAR text[MAX_PATH] = L"";
        DWORD size = MAX_PATH;
        MsiRecordGetStringW(record, field, text, &size);
        message.fields.push_back(text);
    }
    g_calls.installer_messages.push_back(message);
    bool cancel = message.type == INSTALLMESSAGE_ACTIONDATA && !g_calls.cancel_at.empty() &&
                  lstrcmpiW(message.fields[1].c_str(), g_calls.cancel_at.c_str()) == 0;
    return cancel ? IDCANCEL : IDOK;
}

FARPROC WINAPI find_procedure(HMODULE module, LPCSTR name)
{
    if (!IS_INTRESOURCE(name) && std::strcmp(name, "MsiProcessMessage") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(installer_message));
    const WORD pick_icon_ordinal = 62;
    if (IS_INTRESOURCE(name) && LOWORD(reinterpret_cast<ULONG_PTR>(name)) == pick_icon_ordinal
        && (!g_calls.picked_file.empty() || g_calls.picker_cancels))
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(pick_as_told));
    return GetProcAddress(module, name);
}

}

LibraryCalls& library_calls()
{
    return g_calls;
}

void record_library_calls(HMODULE module)
{
    struct Patch {
        const char* dll;
        const char* name;
        void* replacement;
    } patches[] = {
        {"shell32.dll", "SHChangeNotify", reinterpret_cast<void*>(record_notice)},
        {"user32.dll", "RedrawWindow", reinterpret_cast<void*>(record_redraw)},
        {"user32.dll", "WinHelpA", reinterpret_cast<void*>(record_help)},
        {"advapi32.dll", "RegOpenKeyExA", reinterpret_cast<void*>(open_key)},
        {"advapi32.dll", "RegOpenKeyExW", reinterpret_cast<void*>(open_key_wide)},
        {"kernel32.dll", "SetFileAttributesW", reinterpret_cast<void*>(record_attributes)},
        {"kernel32.dll", "ReplaceFileW", reinterpret_cast<void*>(replace_as_told)},
        {"kernel32.dll", "FlushFileBuffers", reinterpret_cast<void*>(flush_as_told)},
        {"kernel32.dll", "MoveFileExW", reinterpret_cast<void*>(refuse_move)},
        {"kernel32.dll", "GetACP", reinterpret_cast<void*>(system_code_page)},
        {"kernel32.dll", "WideCharToMultiByte", reinterpret_cast<void*>(convert_as_windows)},
        {"kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(find_procedure)},
        {"comctl32.dll", "ImageList_Destroy", reinterpret_cast<void*>(record_image_list_destroy)},
        {"comctl32.dll", "CreatePropertySheetPageA", reinterpret_cast<void*>(record_page)},
        {"kernel32.dll", "ReleaseActCtx", reinterpret_cast<void*>(record_context_release)},
        {"kernel32.dll", "CreateFileW", reinterpret_cast<void*>(record_create_file)},
        {"kernel32.dll", "GetFileAttributesW", reinterpret_cast<void*>(record_get_attributes)},
        {"kernel32.dll", "WriteFile", reinterpret_cast<void*>(write_file)},
        {"kernel32.dll", "FindFirstFileW", reinterpret_cast<void*>(list_at_once)},
        {"kernel32.dll", "FindNextFileW", reinterpret_cast<void*>(next_listed)},
        {"kernel32.dll", "FindClose", reinterpret_cast<void*>(close_listing)},
        {"kernel32.dll", "GetDriveTypeW", reinterpret_cast<void*>(drive_type)},
        {"kernel32.dll", "DeviceIoControl", reinterpret_cast<void*>(read_link)},
        {"shell32.dll", "ExtractIconW", reinterpret_cast<void*>(record_extract_icon)},
        {"user32.dll", "PrivateExtractIconsW", reinterpret_cast<void*>(record_private_extract)},
        {"mpr.dll", "WNetGetConnectionW", reinterpret_cast<void*>(drive_connection)},
    };
    for (const Patch& patch : patches)
        patch_import(module, patch.dll, patch.name, patch.replacement);
}
