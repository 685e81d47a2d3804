#include "library_calls.h"

#include "scratch.h"
#include "support/imports.h"

#include <shlobj.h>

#include <cstring>

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

BOOL WINAPI record_attributes(LPCWSTR path, DWORD attributes)
{
    g_calls.attribute_sets.push_back({narrow(path), attributes, path});
    return SetFileAttributesW(path, attributes);
}

bool has_byte_order_mark(LPCWSTR file)
{
    BYTE start[2] = {};
    DWORD read = 0;
    HANDLE handle = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    ReadFile(handle, start, 2, &read, nullptr);
    CloseHandle(handle);
    return read == 2 && ((start[0] == 0xFF && start[1] == 0xFE) || (start[0] == 0xEF && start[1] == 0xBB));
}

std::string utf8(LPCWSTR text)
{
    if (!text)
        return std::string();
    std::string bytes(lstrlenW(text) * 3 + 1, '\0');
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(n > 0 ? n - 1 : 0);
    return bytes;
}

// On a Windows whose code page is UTF-8 the wide write puts UTF-8 text into
// an 8-bit file; Wine's own code page is another, so the 8-bit write of the
// UTF-8 bytes stands in for it.
BOOL write_as_utf8_system(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file)
{
    std::string a_section = utf8(section), a_key = utf8(key), a_value = utf8(value);
    return WritePrivateProfileStringA(section ? a_section.c_str() : nullptr, key ? a_key.c_str() : nullptr,
                                      value ? a_value.c_str() : nullptr, narrow(file).c_str());
}

BOOL WINAPI refuse_read_only_write(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file)
{
    DWORD attributes = GetFileAttributesW(file);
    bool read_only = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    bool refused = g_calls.refuse_profile_writes || (section && g_calls.refused_section == narrow(section));
    if (refused || read_only) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (g_calls.utf8_code_page && !has_byte_order_mark(file))
        return write_as_utf8_system(section, key, value, file);
    return WritePrivateProfileStringW(section, key, value, file);
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
    g_calls.pages.push_back({page->dwFlags, has_context ? page->hActCtx : nullptr});
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
    lstrcpynW(file, g_calls.picked_file.c_str(), static_cast<int>(size));
    *index = g_calls.picked_index;
    return 1;
}

FARPROC WINAPI find_procedure(HMODULE module, LPCSTR name)
{
    const WORD pick_icon_ordinal = 62;
    if (IS_INTRESOURCE(name) && LOWORD(reinterpret_cast<ULONG_PTR>(name)) == pick_icon_ordinal
        && !g_calls.picked_file.empty())
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
        {"kernel32.dll", "SetFileAttributesW", reinterpret_cast<void*>(record_attributes)},
        {"kernel32.dll", "WritePrivateProfileStringW", reinterpret_cast<void*>(refuse_read_only_write)},
        {"kernel32.dll", "GetACP", reinterpret_cast<void*>(system_code_page)},
        {"kernel32.dll", "WideCharToMultiByte", reinterpret_cast<void*>(convert_as_windows)},
        {"kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(find_procedure)},
        {"comctl32.dll", "ImageList_Destroy", reinterpret_cast<void*>(record_image_list_destroy)},
        {"comctl32.dll", "CreatePropertySheetPageA", reinterpret_cast<void*>(record_page)},
        {"kernel32.dll", "ReleaseActCtx", reinterpret_cast<void*>(record_context_release)},
    };
    for (const Patch& patch : patches)
        patch_import(module, patch.dll, patch.name, patch.replacement);
}
