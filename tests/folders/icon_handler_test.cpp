// The icon handler, made by the real folders.dll's factory, loaded with real
// folders and answered against real top-level windows.
#include "library.h"
#include "library_calls.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>

namespace {

const char kFolderWindowClass[] = "CabinetWClass";

// A top-level window standing in for a folder window of the shell.
class FolderWindow {
public:
    explicit FolderWindow(const std::string& title, const char* class_name = kFolderWindowClass)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = class_name;
        RegisterClassA(&wc);
        window_ = CreateWindowA(class_name, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~FolderWindow() { DestroyWindow(window_); }
    FolderWindow(const FolderWindow&) = delete;
    FolderWindow& operator=(const FolderWindow&) = delete;

private:
    HWND window_;
};

struct Location {
    HRESULT hr;
    std::string file;
    int index;
};

std::string folder_name(const std::string& path)
{
    return path.substr(path.find_last_of('\\') + 1);
}

class IconHandler : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dll.loaded());
        record_library_calls(dll.module);
        library_calls().clear();
        char path[MAX_PATH];
        GetModuleFileNameA(dll.module, path, MAX_PATH);
        library_path = path;
    }
    void TearDown() override
    {
        if (handler) {
            EXPECT_EQ(handler->Release(), 0u);
        }
        EXPECT_EQ(dll.can_unload_now(), S_OK);
    }

    // What the shell does: create for IPersistFile, Load the folder, then ask
    // IExtractIconA.
    void load(const std::wstring& folder)
    {
        if (handler)
            handler->Release();
        handler = nullptr;
        IPersistFile* file = nullptr;
        HRESULT hr = dll.create(IID_IPersistFile, &file);
        ASSERT_EQ(hr, S_OK) << std::hex << hr;
        hr = file->Load(folder.c_str(), STGM_READ);
        EXPECT_EQ(hr, S_OK) << std::hex << hr;
        EXPECT_EQ(file->QueryInterface(IID_IExtractIconA, reinterpret_cast<void**>(&handler)), S_OK);
        file->Release();
    }
    void load(const std::string& folder) { load(widen(folder)); }

    Location locate(UINT flags)
    {
        char file[MAX_PATH];
        std::memset(file, 'X', sizeof file);
        int index = 0x7777;
        UINT out_flags = 0xFFFF;
        Location where;
        where.hr = handler->GetIconLocation(flags, file, MAX_PATH, &index, &out_flags);
        where.file = where.hr == S_OK ? file : "";
        where.index = index;
        return where;
    }

    void expect_location(UINT flags, const std::string& file, int index, const char* context)
    {
        Location where = locate(flags);
        EXPECT_EQ(where.hr, S_OK) << context << " " << std::hex << where.hr;
        EXPECT_EQ(where.file, file) << context;
        EXPECT_EQ(where.index, index) << context;
    }

    FoldersLibrary dll;
    std::string library_path;
    IExtractIconA* handler = nullptr;
};

TEST_F(IconHandler, DefaultsAreTheLibrarysOwnPair)
{
    ScratchFolder bare;
    ScratchFolder named;
    named.write_record("[.ShellClassInfo]\r\nCLSID={5E676C24-194A-11d1-9FCB-4854E821E610}\r\n");
    ScratchFolder empty_section;
    empty_section.write_record(customized_record(""));
    for (const ScratchFolder* folder : {&bare, &named, &empty_section}) {
        load(folder->path());
        expect_location(0, library_path, 2, folder->path().c_str());
        expect_location(GIL_OPENICON, library_path, 3, folder->path().c_str());
    }
}

// The default pair names indexes 2 and 3 of the library: both must exist,
// in the large and the small size.
TEST_F(IconHandler, LibraryCarriesTheDefaultPair)
{
    EXPECT_EQ(ExtractIconExA(library_path.c_str(), -1, nullptr, nullptr, 0), 4u);
    for (int index : {2, 3}) {
        HICON large = nullptr;
        HICON small = nullptr;
        EXPECT_EQ(ExtractIconExA(library_path.c_str(), index, &large, &small, 1), 2u) << "index " << index;
        EXPECT_NE(large, nullptr) << "index " << index;
        EXPECT_NE(small, nullptr) << "index " << index;
        if (large)
            DestroyIcon(large);
        if (small)
            DestroyIcon(small);
    }
}

// Records as we write them and as other programs or hands leave them: read
// as the profile services read them.
TEST_F(IconHandler, RecordValuesAreAnswered)
{
    const std::string ours = customized_record(
        "IconFileClosed=C:\\icons\\closed.ico\r\nIndexClosed=5\r\n"
        "IconFileOpened=C:\\icons\\open file.dll\r\nIndexOpened=-7\r\nAnimateLarge=0\r\n");
    const std::string by_hand = customized_record(
        "  iconfileclosed = \"C:\\icons\\closed.ico\" \r\nINDEXCLOSED= 5th\r\n"
        "IconFileOpened='C:\\icons\\open file.dll'\r\nIndexOpened=-7\r\nAnimateLarge=0\r\n");
    struct Case {
        const char* what;
        std::string record;
        std::string closed;
        int closed_index;
        std::string opened;
        int opened_index;
    } cases[] = {
        {"as we write it", ours, "C:\\icons\\closed.ico", 5, "C:\\icons\\open file.dll", -7},
        {"UTF-16", utf16_file(ours), "C:\\icons\\closed.ico", 5, "C:\\icons\\open file.dll", -7},
        {"by hand", by_hand, "C:\\icons\\closed.ico", 5, "C:\\icons\\open file.dll", -7},
        {"empty values", customized_record("IconFileClosed=\r\nIndexClosed=\r\nIconFileOpened\r\n"),
         library_path, 2, library_path, 3},
        {"8-bit text with a NUL", customized_record("IconFileClosed=C:\\x.ico\r\nIndexClosed=5\r\n") + '\0',
         library_path, 2, library_path, 3},
    };
    for (const Case& c : cases) {
        ScratchFolder folder;
        folder.write_record(c.record);
        load(folder.path());
        expect_location(0, c.closed, c.closed_index, c.what);
        expect_location(GIL_OPENICON, c.opened, c.opened_index, c.what);
    }
}

// A file name of the full 259 characters comes back whole; one character
// more counts as no name at all, never as a cut one.
TEST_F(IconHandler, LongestIconFileNameComesBackWhole)
{
    std::string long_name = "C:\\" + std::string(MAX_PATH - 4, 'n');
    ScratchFolder folder;
    folder.write_record(customized_record("IconFileClosed=" + long_name + "\r\nIndexClosed=1\r\n"
                                          "IconFileOpened=" + long_name + "o\r\nIndexOpened=1\r\n"));
    load(folder.path());
    expect_location(0, long_name, 1, "longest name");
    expect_location(GIL_OPENICON, library_path, 1, "one too long");
}

// With "AnimateLarge" on, a folder window showing the folder (by its full
// path or by its name alone) turns every request into the open icon.
TEST_F(IconHandler, AnimateLargeAndFolderWindows)
{
    ScratchFolder folder;
    ScratchFolder elsewhere;
    std::string twin = elsewhere.make_subfolder(folder_name(folder.path()));
    enum Window { kNone, kFullPath, kName, kOtherName, kOtherClass };
    struct { const char* animate_line; Window window; bool open; const char* name; } cases[] = {
        {"", kNone, false, "absent, no window"},
        {"", kFullPath, true, "absent, window titled with the path"},
        {"", kName, true, "absent, window titled with the name"},
        {"", kOtherName, false, "absent, window of another folder"},
        {"", kOtherClass, false, "absent, not a folder window"},
        {"AnimateLarge=0\r\n", kFullPath, false, "0, window titled with the path"},
        {"AnimateLarge=0\r\n", kName, false, "0, window titled with the name"},
        {"AnimateLarge=1\r\n", kNone, false, "1, no window"},
        {"AnimateLarge=1\r\n", kName, true, "1, window titled with the name"},
        {"AnimateLarge=-4\r\n", kFullPath, true, "-4, window titled with the path"},
    };
    for (const auto& c : cases) {
        folder.write_record(customized_record(std::string("IndexClosed=10\r\nIndexOpened=11\r\n") +
                                              c.animate_line));
        FolderWindow* window = nullptr;
        switch (c.window) {
        case kNone: break;
        case kFullPath: window = new FolderWindow(folder.path()); break;
        case kName: window = new FolderWindow(folder_name(folder.path())); break;
        case kOtherName: window = new FolderWindow(folder_name(elsewhere.path())); break;
        case kOtherClass: window = new FolderWindow(folder.path(), "ExploreWClassNot"); break;
        }
        load(folder.path());
        delete window;
        expect_location(0, library_path, c.open ? 11 : 10, c.name);
        expect_location(GIL_OPENICON, library_path, 11, c.name);
    }
    // Only titles are compared: a window showing the same-named folder
    // elsewhere counts; one titled with that folder's whole path does not.
    {
        FolderWindow twin_by_path(twin);
        load(folder.path());
        EXPECT_EQ(locate(0).index, 10) << "the window of " << twin;
    }
    FolderWindow twin_by_name(folder_name(twin));
    load(folder.path());
    EXPECT_EQ(locate(0).index, 11) << "a window titled " << folder_name(twin);
}

// The handler looks for windows at Load only: a handler kept by the shell
// keeps its answer.
TEST_F(IconHandler, WindowsAreLookedForAtLoadOnly)
{
    ScratchFolder folder;
    load(folder.path());
    FolderWindow window(folder.path());
    EXPECT_EQ(locate(0).index, 2);
    load(folder.path());
    EXPECT_EQ(locate(0).index, 3);
}

// No separate choice for sizes or uses: the shell takes the large and the
// small image from the same file and index.
TEST_F(IconHandler, OtherFlagBitsAreIgnored)
{
    ScratchFolder folder;
    folder.write_record(customized_record("AnimateLarge=0\r\n"));
    load(folder.path());
    struct { UINT flags; int index; } cases[] = {
        {GIL_FORSHELL, 2}, {GIL_ASYNC, 2}, {GIL_DEFAULTICON, 2}, {GIL_FORSHORTCUT, 2},
        {GIL_CHECKSHIELD, 2}, {0xFFFFFFFE, 2},
        {GIL_OPENICON | GIL_FORSHELL, 3}, {GIL_OPENICON | GIL_ASYNC, 3}, {0xFFFFFFFF, 3},
    };
    for (const auto& c : cases)
        expect_location(c.flags, library_path, c.index, ("flags " + std::to_string(c.flags)).c_str());
}

TEST_F(IconHandler, OutFlagsWrittenOnlyWhenAsked)
{
    ScratchFolder folder;
    load(folder.path());
    char file[MAX_PATH];
    int index = -1;
    EXPECT_EQ(handler->GetIconLocation(0, file, MAX_PATH, &index, nullptr), S_OK);
    EXPECT_EQ(index, 2);
    UINT out_flags = 0xFFFF;
    EXPECT_EQ(handler->GetIconLocation(GIL_OPENICON, file, MAX_PATH, &index, &out_flags), S_OK);
    EXPECT_EQ(out_flags, 0u) << "no GIL_ flags: the shell may cache the location";
}

TEST_F(IconHandler, ExtractLeavesTheWorkToTheShell)
{
    ScratchFolder folder;
    load(folder.path());
    for (UINT size : {UINT(MAKELONG(32, 16)), UINT(MAKELONG(48, 24)), 0u}) {
        HICON large = static_cast<HICON>(kMarker);
        HICON small = static_cast<HICON>(kMarker);
        HRESULT hr = handler->Extract(library_path.c_str(), 2, &large, &small, size);
        EXPECT_EQ(hr, S_FALSE) << std::hex << hr;
        EXPECT_EQ(large, kMarker);
        EXPECT_EQ(small, kMarker);
    }
    EXPECT_EQ(handler->Extract(nullptr, 0, nullptr, nullptr, 0), S_FALSE);
}

TEST_F(IconHandler, FixedAnswersOfThePersistPart)
{
    ScratchFolder folder;
    load(folder.path());
    IPersistFile* file = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
    CLSID clsid = kFoldersClass;
    EXPECT_EQ(file->GetClassID(&clsid), E_FAIL);
    EXPECT_TRUE(IsEqualCLSID(clsid, kFoldersClass)) << "GetClassID wrote its out-parameter";
    EXPECT_EQ(file->IsDirty(), S_FALSE);
    EXPECT_EQ(file->Save(L"C:\\x", TRUE), E_NOTIMPL);
    EXPECT_EQ(file->SaveCompleted(L"C:\\x"), E_NOTIMPL);
    LPOLESTR name = static_cast<LPOLESTR>(kMarker);
    EXPECT_EQ(file->GetCurFile(&name), E_NOTIMPL);
    EXPECT_EQ(name, kMarker);
    file->Release();
}

TEST_F(IconHandler, InterfaceIdentities)
{
    ScratchFolder folder;
    load(folder.path());
    IUnknown* unknown = nullptr;
    IPersistFile* file = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    ASSERT_EQ(handler->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
    IExtractIconW* wide = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_IExtractIconW, reinterpret_cast<void**>(&wide)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(wide)) << "IUnknown is the IExtractIconW part";
    EXPECT_NE(static_cast<void*>(file), static_cast<void*>(handler));
    EXPECT_NE(static_cast<void*>(wide), static_cast<void*>(handler));
    wide->Release();
    EXPECT_EQ(file->AddRef(), 4u) << "one count for every part";
    EXPECT_EQ(handler->Release(), 3u);
    for (const IID* iid : {&IID_IPersist, &IID_IPersistFolder, &IID_IShellFolder}) {
        void* out = kMarker;
        EXPECT_EQ(file->QueryInterface(*iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    file->Release();
    unknown->Release();
}

// A drive's root has an empty name: an untitled folder window counts as
// showing it.
TEST_F(IconHandler, DriveRootHasAnEmptyName)
{
    load(std::wstring(L"C:\\"));
    EXPECT_EQ(locate(0).index, 2);
    FolderWindow untitled("");
    load(std::wstring(L"C:\\"));
    EXPECT_EQ(locate(0).index, 3);
}

// The caller's buffer size is honoured: a name that does not fit fails the
// call and nothing is written.
TEST_F(IconHandler, BufferSizeIsHonoured)
{
    ScratchFolder folder;
    folder.write_record(customized_record("IconFileClosed=C:\\ten_chars\r\nIndexClosed=4\r\n"));
    load(folder.path());
    const UINT length = 12;  // "C:\ten_chars"
    struct { UINT size; HRESULT expected; } cases[] = {
        {0, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
        {1, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
        {length, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
        {length + 1, S_OK},
    };
    for (const auto& c : cases) {
        char buffer[64];
        std::memset(buffer, 'X', sizeof buffer);
        int index = 0x7777;
        UINT out_flags = 0xFFFF;
        HRESULT hr = handler->GetIconLocation(0, buffer, c.size, &index, &out_flags);
        EXPECT_EQ(hr, c.expected) << "size " << c.size << " " << std::hex << hr;
        EXPECT_EQ(buffer[c.size], 'X') << "wrote past a buffer of " << c.size;
        if (hr == S_OK) {
            EXPECT_STREQ(buffer, "C:\\ten_chars");
            EXPECT_EQ(index, 4);
        } else {
            EXPECT_EQ(buffer[0], 'X') << "size " << c.size;
            EXPECT_EQ(index, 0x7777) << "size " << c.size;
            EXPECT_EQ(out_flags, 0xFFFFu) << "size " << c.size;
        }
    }
}

// Paths too long for the handler's buffers give the defaults, never an
// overflow or a cut path.
TEST_F(IconHandler, OverlongPathsGiveTheDefaults)
{
    struct { size_t length; const char* name; } cases[] = {
        {MAX_PATH - 12, "record path one too long"},
        {MAX_PATH - 1, "folder path fills the buffer"},
        {MAX_PATH, "folder path one too long"},
        {2000, "far too long"},
    };
    for (const auto& c : cases) {
        std::wstring path = L"C:\\" + std::wstring(c.length - 3, L'p');
        load(path);
        expect_location(0, library_path, 2, c.name);
        expect_location(GIL_OPENICON, library_path, 3, c.name);
    }
}

// A name the code page cannot represent must not be read as the record of
// the folder its best-fit form names.
TEST_F(IconHandler, UnrepresentableNameNeverReadsAnotherFoldersRecord)
{
    const wchar_t odd[] = L"p\x0101th";  // best-fits to "path" in Western code pages
    char best_fit[16];
    WideCharToMultiByte(CP_ACP, 0, odd, -1, best_fit, sizeof best_fit, nullptr, nullptr);
    if (std::strchr(best_fit, '?'))
        GTEST_SKIP() << "code page " << GetACP() << " has no best fit for U+0101";
    ScratchFolder parent;
    std::string decoy = parent.make_subfolder(best_fit);
    ASSERT_NE(GetFileAttributesA(decoy.c_str()), INVALID_FILE_ATTRIBUTES);
    std::string decoy_record = decoy + "\\Desktop.ini";
    WritePrivateProfileStringA(".ShellClassInfo", "CLSID", "{5E676C24-194A-11d1-9FCB-4854E821E610}",
                               decoy_record.c_str());
    WritePrivateProfileStringA("QXIcons", "IndexClosed", "7", decoy_record.c_str());
    std::wstring odd_folder = parent.wide_path() + L"\\" + odd;
    ASSERT_TRUE(CreateDirectoryW(odd_folder.c_str(), nullptr));
    load(odd_folder);
    expect_location(0, library_path, 2, best_fit);
}

bool starts_with(const std::wstring& text, const std::wstring& start)
{
    return text.size() >= start.size() &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(), static_cast<int>(start.size()),
                          start.c_str(), static_cast<int>(start.size())) == CSTR_EQUAL;
}

bool ends_with(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && starts_with(text.substr(text.size() - end.size()), end);
}

// An icon file on another machine makes the shell connect there and sign in
// with the user's credentials: it is used only for a folder on that same
// share (reached by its name, through a mapped drive, an environment string
// or a link), a device path never. A refused file answers as a missing one,
// in both kinds of text, and the library looks at nothing on its path but
// the links themselves.
TEST_F(IconHandler, IconFilesOnOtherMachinesOnlyForFoldersOnTheSameShare)
{
    ScratchShare share;
    if (share.path().empty())
        GTEST_SKIP() << "no share can be made here";
    const std::string same = "\\\\" + share.server() + "\\icons";
    library_calls().network_drive = L'N';
    library_calls().network_share = widen("\\\\" + share.server() + "\\ICONS");
    ScratchFolder local;
    ScratchFolder there("on-share", share.path());
    ScratchFolder elsewhere;
    UnixLink unreadable(local.path() + "\\unreadable", share.unix_path());
    ASSERT_TRUE(unreadable.made());
    const std::string to_share = local.make_subfolder("to-share"), to_local = local.make_subfolder("to-local"),
                      chained = local.make_subfolder("chained");
    library_calls().links = {{widen(to_share), widen("\\??\\UNC\\" + share.server() + "\\icons")},
                             {widen(to_local), widen("\\??\\" + elsewhere.path())},
                             {widen(chained), L"to-share\\inner"}};
    SetEnvironmentVariableA("FOLDERS_TEST_SHARE", same.c_str());
    SetEnvironmentVariableA("FOLDERS_TEST_LOCAL", "c:\\icons");
    struct { const ScratchFolder* folder; std::string file; bool kept; std::string answered = ""; } cases[] = {
        {&local, "\\\\server\\share\\x.ico", false},
        {&local, "//server/share/x.ico", false},
        {&local, "\\\\?\\UNC\\server\\share\\x.ico", false},
        {&local, "\\??\\UNC\\server\\share\\x.ico", false},
        {&local, "n:\\x.ico", false},
        {&local, "\\\\.\\pipe\\x.ico", false},
        {&local, "\\\\?\\GLOBALROOT\\Device\\Mup\\server\\share\\x.ico", false},
        {&local, "\\\\?\\c:\\icons\\x.ico", true},
        {&local, local.path() + "\\unreadable\\x.ico", false},
        {&local, to_share + "\\x.ico", false},
        {&local, chained + "\\x.ico", false},
        {&local, to_local + "\\x.ico", true},
        {&local, "lpt1.ico", false},
        {&local, "C:\\x\\COM1", false},
        {&local, "c:\\icons\\aux .ico", false},
        {&local, "c:\\icons\\com10.ico", true},
        {&local, "%FOLDERS_TEST_SHARE%\\x.ico", false},
        {&local, "%FOLDERS_TEST_LOCAL%\\x.ico", true, "c:\\icons\\x.ico"},
        {&there, same + "\\x.ico", true},
        {&there, "N:\\sub\\x.ico", true},
        {&there, "\\\\?\\UNC\\" + share.server() + "\\Icons\\x.ico", true},
        {&there, "%FOLDERS_TEST_SHARE%\\x.ico", true, same + "\\x.ico"},
        {&there, "\\\\" + share.server() + "\\other\\x.ico", false},
        // A linguistic compare ignores the soft hyphen: another share.
        {&there, "\\\\" + share.server() + "\\ic\xADons\\x.ico", false},
        {&there, "\\\\elsewhere\\icons\\x.ico", false},
        {&there, "\\\\.\\pipe\\x.ico", false},
    };
    for (const auto& c : cases) {
        c.folder->write_record(customized_record("IconFileClosed=" + c.file + "\r\nIndexClosed=5\r\n"
                                                 "IconFileOpened=" + c.file + "\r\nIndexOpened=6\r\n"
                                                 "AnimateLarge=0\r\n"));
        library_calls().file_calls.clear();
        load(c.folder->path());
        std::string context = c.file + " for " + c.folder->path();
        std::string answered = !c.kept ? library_path : c.answered.empty() ? c.file : c.answered;
        expect_location(0, answered, c.kept ? 5 : 2, context.c_str());
        expect_location(GIL_OPENICON, answered, c.kept ? 6 : 3, context.c_str());
        IExtractIconW* wide = nullptr;
        ASSERT_EQ(handler->QueryInterface(IID_IExtractIconW, reinterpret_cast<void**>(&wide)), S_OK);
        WCHAR file[MAX_PATH] = L"<unset>";
        int index = 0x7777;
        EXPECT_EQ(wide->GetIconLocation(0, file, MAX_PATH, &index, nullptr), S_OK) << context;
        EXPECT_EQ(narrow(file), answered) << context;
        EXPECT_EQ(index, c.kept ? 5 : 2) << context;
        wide->Release();
        const std::wstring name = widen(c.file.substr(c.file.find_last_of("\\/") + 1));
        for (const std::wstring& path : library_calls().file_calls)
            EXPECT_FALSE(!c.kept && ends_with(path, name)) << context << ": the library looked at " << narrow(path);
    }
}

}
