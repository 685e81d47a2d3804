#include "scratch.h"


#include <cstdio>

static std::string unique_folder(const char* name, const std::string& parent)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string base = parent.empty() ? std::string(temp) : parent + "\\";
    static LONG s_nNext;
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s%s-%lu-%ld", base.c_str(), name, GetCurrentProcessId(),
                  InterlockedIncrement(&s_nNext));
    return path;
}

ScratchFolder::ScratchFolder(const char* name, const std::string& parent) : path_(unique_folder(name, parent))
{
    CreateDirectoryA(path_.c_str(), nullptr);
}

static void remove_tree(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            // A link is its maker's to remove: Wine removes what it leads to.
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                continue;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str());
}

ScratchFolder::~ScratchFolder()
{
    remove_tree(wide_path());
}

ScratchShare::ScratchShare()
{
    char prefix[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::string unc = std::string("\\\\?\\unix") + prefix + "\\dosdevices\\unc";
    for (char& c : unc)
        if (c == '/')
            c = '\\';
    CreateDirectoryA(unc.c_str(), nullptr);
    server_ = "folders-server-" + std::to_string(GetCurrentProcessId());
    folder_ = unc + "\\" + server_;
    if (!CreateDirectoryA(folder_.c_str(), nullptr) || !CreateDirectoryA((folder_ + "\\icons").c_str(), nullptr))
        return;
    unix_path_ = std::string(prefix) + "/dosdevices/unc/" + server_ + "/icons";
    // Spelled unlike the folder: Windows matches names in any letter case.
    path_ = "\\\\Folders-Server-" + std::to_string(GetCurrentProcessId()) + "\\Icons";
}

ScratchShare::~ScratchShare()
{
    if (!folder_.empty())
        remove_tree(widen(folder_));
}

// Wine starts a Unix program as it starts a Windows one, but gives no
// handle to wait on: the caller waits for what the program does.
static bool start_unix(const std::string& command)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = command;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

static bool wait_until_present(const std::string& path, bool present)
{
    for (int i = 0; i < 500; ++i) {
        if ((GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == present)
            return true;
        Sleep(10);
    }
    return false;
}

UnixLink::UnixLink(const std::string& link, const std::string& unix_target) : link_(link)
{
    typedef char*(CDECL * UnixNameFunction)(const WCHAR*);
    auto unix_name = reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    char* name = unix_name ? unix_name(widen(link).c_str()) : nullptr;
    if (!name)
        return;
    unix_link_ = name;
    HeapFree(GetProcessHeap(), 0, name);
    made_ = start_unix("/bin/ln -s \"" + unix_target + "\" \"" + unix_link_ + "\"") && wait_until_present(link, true);
}

UnixLink::~UnixLink()
{
    if (made_ && start_unix("/bin/rm -f \"" + unix_link_ + "\""))
        wait_until_present(link_, false);
}

std::wstring widen(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

std::string narrow(const std::wstring& text)
{
    std::string bytes(text.size() * 4 + 1, '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &bytes[0], static_cast<int>(bytes.size()), nullptr,
                                nullptr);
    bytes.resize(n > 0 ? n - 1 : 0);
    return bytes;
}

std::wstring ScratchFolder::wide_path() const
{
    return widen(path_);
}

void ScratchFolder::write_file(const std::string& name, const std::string& text) const
{
    std::string file = path_ + "\\" + name;
    FILE* out = std::fopen(file.c_str(), "wb");
    if (out) {
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
    }
}

int ScratchFolder::files_named(const char* pattern) const
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path_ + "\\" + pattern).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do
        ++count;
    while (FindNextFileA(find, &found));
    FindClose(find);
    return count;
}

void ScratchFolder::write_record(const std::string& text) const
{
    write_file("Desktop.ini", text);
}

std::string ScratchFolder::make_subfolder(const std::string& name) const
{
    std::string sub = path_ + "\\" + name;
    CreateDirectoryA(sub.c_str(), nullptr);
    return sub;
}

std::string customized_record(const std::string& icon_lines)
{
    return "[.ShellClassInfo]\r\nCLSID={5E676C24-194A-11d1-9FCB-4854E821E610}\r\n[QXIcons]\r\n" + icon_lines;
}

std::string utf16_file(const std::string& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}
