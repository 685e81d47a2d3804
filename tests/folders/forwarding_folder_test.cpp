// The forwarding folder in-process, in front of a fake inner folder that
// records every call it gets. The fake stands in for the shell's
// file-system folder: this test program exports the DllGetClassObject that
// the folder looks up, and plays the shell library while the folder is made.
#include "library.h"
#include "notices.h"
#include "scratch.h"
#include "server/forwarding_folder.h"
#include "server/module.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const CLSID kShellFileSystemFolder =
    {0xF3364BA0, 0x65B9, 0x11CE, {0xA9, 0xBA, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37}};

struct Call {
    std::string method;
    std::vector<const void*> args;
};

// Distinct results, so a forwarded result can be told from any other.
HRESULT result_of(const std::string& method)
{
    HRESULT code = 0x8004F000;
    for (char c : method)
        code = (code & ~0xFFF) | ((code + c * 7) & 0xFFF);
    return code;
}

class FakeInnerFolder : public IShellFolder, public IPersistFolder {
public:
    std::vector<Call> calls;
    LONG refs = 1;
    bool answers_persist = true;
    HRESULT view_result = E_NOTIMPL;

    const Call* last() const { return calls.empty() ? nullptr : &calls.back(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellFolder))
            *ppv = static_cast<IShellFolder*>(this);
        else if (IsEqualIID(riid, IID_IPersistFolder) && answers_persist)
            *ppv = static_cast<IPersistFolder*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }

    STDMETHODIMP GetClassID(CLSID*) override { return record("GetClassID", {}); }
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE pidl) override
    {
        calls.push_back({"Initialize", {pidl}});
        return S_FALSE;
    }

    STDMETHODIMP ParseDisplayName(HWND a, IBindCtx* b, LPWSTR c, ULONG* d, PIDLIST_RELATIVE* e, ULONG* f) override
    {
        return record("ParseDisplayName", {a, b, c, d, e, f});
    }
    STDMETHODIMP EnumObjects(HWND a, SHCONTF b, IEnumIDList** c) override
    {
        return record("EnumObjects", {a, reinterpret_cast<void*>(static_cast<ULONG_PTR>(b)), c});
    }
    STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE a, IBindCtx* b, REFIID c, void** d) override
    {
        return record("BindToObject", {a, b, &c, d});
    }
    STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE a, IBindCtx* b, REFIID c, void** d) override
    {
        return record("BindToStorage", {a, b, &c, d});
    }
    STDMETHODIMP CompareIDs(LPARAM a, PCUIDLIST_RELATIVE b, PCUIDLIST_RELATIVE c) override
    {
        return record("CompareIDs", {reinterpret_cast<void*>(a), b, c});
    }
    STDMETHODIMP CreateViewObject(HWND a, REFIID b, void** c) override
    {
        record("CreateViewObject", {a, &b, c});
        return view_result;
    }
    STDMETHODIMP GetAttributesOf(UINT a, PCUITEMID_CHILD_ARRAY b, SFGAOF* c) override
    {
        return record("GetAttributesOf", {reinterpret_cast<void*>(static_cast<ULONG_PTR>(a)), b, c});
    }
    STDMETHODIMP GetUIObjectOf(HWND a, UINT b, PCUITEMID_CHILD_ARRAY c, REFIID d, UINT* e, void** f) override
    {
        return record("GetUIObjectOf", {a, reinterpret_cast<void*>(static_cast<ULONG_PTR>(b)), c, &d, e, f});
    }
    STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD a, SHGDNF b, STRRET* c) override
    {
        return record("GetDisplayNameOf", {a, reinterpret_cast<void*>(static_cast<ULONG_PTR>(b)), c});
    }
    STDMETHODIMP SetNameOf(HWND a, PCUITEMID_CHILD b, LPCWSTR c, SHGDNF d, PITEMID_CHILD* e) override
    {
        return record("SetNameOf", {a, b, c, reinterpret_cast<void*>(static_cast<ULONG_PTR>(d)), e});
    }

private:
    HRESULT record(const char* method, std::vector<const void*> args)
    {
        calls.push_back({method, std::move(args)});
        return result_of(method);
    }
};

FakeInnerFolder* g_fake_inner;

class FakeInnerFactory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
            return E_NOINTERFACE;
        *ppv = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { ++releases; return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (outer || !g_fake_inner)
            return CLASS_E_NOAGGREGATION;
        return g_fake_inner->QueryInterface(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
    int releases = 0;
};

FakeInnerFactory g_fake_factory;
std::vector<std::string> g_class_requests;
// Set, the shell library makes no file-system folder, as on Windows 10 and
// later, where the class lives in another system library.
bool g_refuse_file_system_folder;

}

// Looked up by name in the module that plays the shell library.
extern "C" __declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    g_class_requests.push_back(IsEqualCLSID(rclsid, kShellFileSystemFolder) ? "ShellFSFolder" : "other");
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, kShellFileSystemFolder) || g_refuse_file_system_folder)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_fake_factory.QueryInterface(riid, ppv);
}

namespace {

class ForwardingFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        shell = LoadLibraryA("shell32.dll");
        ASSERT_NE(shell, nullptr);
        g_fake_inner = &inner;
        g_class_requests.clear();
        folder = make_folder();
        ASSERT_NE(folder, nullptr);
        pidl = ILCreateFromPathA(scratch.path().c_str());
        ASSERT_NE(pidl, nullptr);
    }
    void TearDown() override
    {
        if (folder) {
            EXPECT_EQ(folder->Release(), 0u);
        }
        EXPECT_EQ(inner.refs, 1) << "the inner folder's reference was not given back";
        EXPECT_EQ(g_cModuleRefs, 0);
        ILFree(pidl);
        g_fake_inner = nullptr;
        g_hShell32 = nullptr;
        FreeLibrary(shell);
    }

    // The folder takes its inner folder from this program, and the item-list
    // services from the real shell library.
    IShellFolder* make_folder()
    {
        g_hShell32 = GetModuleHandleA(nullptr);
        IShellFolder* made = nullptr;
        HRESULT hr = CForwardingFolder::Create(IID_IShellFolder, reinterpret_cast<void**>(&made));
        EXPECT_EQ(hr, S_OK) << std::hex << hr;
        g_hShell32 = shell;
        return made;
    }

    IPersistFolder* persist()
    {
        IPersistFolder* part = nullptr;
        EXPECT_EQ(folder->QueryInterface(IID_IPersistFolder, reinterpret_cast<void**>(&part)), S_OK);
        return part;
    }

    HRESULT initialize(PCIDLIST_ABSOLUTE list)
    {
        IPersistFolder* part = persist();
        HRESULT hr = part->Initialize(list);
        part->Release();
        return hr;
    }

    HMODULE shell = nullptr;
    FakeInnerFolder inner;
    ScratchFolder scratch;
    PIDLIST_ABSOLUTE pidl = nullptr;
    IShellFolder* folder = nullptr;
};

TEST_F(ForwardingFolder, MadeFromTheShellFileSystemFolder)
{
    EXPECT_EQ(g_class_requests, std::vector<std::string>{"ShellFSFolder"});
    EXPECT_EQ(g_fake_factory.releases > 0, true) << "the shell's factory was kept";
    EXPECT_EQ(inner.refs, 2) << "the folder holds one reference to its inner folder";
    EXPECT_EQ(g_cModuleRefs, 1);
}

TEST_F(ForwardingFolder, NothingIsMadeWithoutTheShellsFolder)
{
    g_fake_inner = nullptr;
    g_hShell32 = GetModuleHandleA(nullptr);
    void* out = kMarker;
    HRESULT hr = CForwardingFolder::Create(IID_IShellFolder, &out);
    g_hShell32 = shell;
    EXPECT_EQ(hr, E_FAIL) << std::hex << hr;
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(g_cModuleRefs, 1) << "only the fixture's folder is alive";
    g_fake_inner = &inner;
}

std::vector<std::wstring> listed_names(IShellFolder* folder)
{
    std::vector<std::wstring> names;
    IEnumIDList* items = nullptr;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items) != S_OK)
        return names;
    LPITEMIDLIST item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) {
        STRRET name = {};
        WCHAR text[MAX_PATH] = {};
        if (SUCCEEDED(folder->GetDisplayNameOf(item, SHGDN_INFOLDER | SHGDN_FORPARSING, &name)))
            StrRetToBufW(&name, item, text, MAX_PATH);
        names.push_back(text);
        ILFree(item);
    }
    items->Release();
    return names;
}

// The shell's own class registration stands in for the shell library.
TEST_F(ForwardingFolder, ListsARealFolderWhenTheShellLibraryRefusesTheClass)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    scratch.write_file("inside.txt", "x");
    g_refuse_file_system_folder = true;
    IShellFolder* real = make_folder();
    g_refuse_file_system_folder = false;
    ASSERT_NE(real, nullptr);
    NoticeCounter notices(pidl);
    ASSERT_TRUE(notices.registered());
    IPersistFolder* part = nullptr;
    ASSERT_EQ(real->QueryInterface(IID_IPersistFolder, reinterpret_cast<void**>(&part)), S_OK);
    EXPECT_EQ(part->Initialize(pidl), S_OK);
    part->Release();
    EXPECT_EQ(listed_names(real), std::vector<std::wstring>{L"inside.txt"});
    IShellView* view = nullptr;
    EXPECT_EQ(real->CreateViewObject(nullptr, IID_IShellView, reinterpret_cast<void**>(&view)), S_OK);
    if (view)
        view->Release();
    EXPECT_EQ(notices.updates(1), 1);
    EXPECT_EQ(real->Release(), 0u);
    EXPECT_TRUE(inner.calls.empty());
    CoUninitialize();
}

TEST_F(ForwardingFolder, EveryNamespaceCallIsForwardedUnchanged)
{
    auto* h = reinterpret_cast<HWND>(0x1111);
    auto* bc = reinterpret_cast<IBindCtx*>(0x2222);
    auto* name = const_cast<LPWSTR>(L"name");
    auto* eaten = reinterpret_cast<ULONG*>(0x3333);
    auto* out_list = reinterpret_cast<PIDLIST_RELATIVE*>(0x4444);
    auto* attributes = reinterpret_cast<ULONG*>(0x5555);
    auto* child = reinterpret_cast<PCUITEMID_CHILD>(0x6666);
    auto* child2 = reinterpret_cast<PCUITEMID_CHILD>(0x7777);
    auto* children = reinterpret_cast<PCUITEMID_CHILD_ARRAY>(0x8888);
    auto* out = reinterpret_cast<void**>(0x9999);
    auto* strret = reinterpret_cast<STRRET*>(0xAAAA);
    auto* reserved = reinterpret_cast<UINT*>(0xBBBB);
    auto* enumerator = reinterpret_cast<IEnumIDList**>(0xCCCC);
    auto* new_child = reinterpret_cast<PITEMID_CHILD*>(0xDDDD);
    auto* in_out = reinterpret_cast<SFGAOF*>(0xEEEE);
    const IID& iid = IID_IDropTarget;
    auto n = [](ULONG_PTR v) { return reinterpret_cast<const void*>(v); };

    struct Case {
        const char* method;
        std::function<HRESULT()> call;
        std::vector<const void*> args;
    };
    const Case cases[] = {
        {"ParseDisplayName", [&] { return folder->ParseDisplayName(h, bc, name, eaten, out_list, attributes); },
         {h, bc, name, eaten, out_list, attributes}},
        {"EnumObjects", [&] { return folder->EnumObjects(h, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, enumerator); },
         {h, n(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS), enumerator}},
        {"BindToObject", [&] { return folder->BindToObject(child, bc, iid, out); }, {child, bc, &iid, out}},
        {"BindToStorage", [&] { return folder->BindToStorage(child, bc, iid, out); }, {child, bc, &iid, out}},
        {"CompareIDs", [&] { return folder->CompareIDs(0x10002, child, child2); }, {n(0x10002), child, child2}},
        {"GetAttributesOf", [&] { return folder->GetAttributesOf(3, children, in_out); }, {n(3), children, in_out}},
        {"GetUIObjectOf", [&] { return folder->GetUIObjectOf(h, 2, children, iid, reserved, out); },
         {h, n(2), children, &iid, reserved, out}},
        {"GetDisplayNameOf", [&] { return folder->GetDisplayNameOf(child, SHGDN_FORPARSING, strret); },
         {child, n(SHGDN_FORPARSING), strret}},
        {"SetNameOf", [&] { return folder->SetNameOf(h, child, name, SHGDN_INFOLDER, new_child); },
         {h, child, name, n(SHGDN_INFOLDER), new_child}},
    };
    for (const Case& c : cases) {
        size_t before = inner.calls.size();
        HRESULT hr = c.call();
        EXPECT_EQ(hr, result_of(c.method)) << c.method << " " << std::hex << hr;
        ASSERT_EQ(inner.calls.size(), before + 1) << c.method;
        EXPECT_EQ(inner.last()->method, c.method);
        EXPECT_EQ(inner.last()->args, c.args) << c.method;
    }
}

// The caller's list is its own: once Initialize returns, it may change or
// go, and the folder's notices still name the folder.
TEST_F(ForwardingFolder, InitializeKeepsACopyAndPassesTheCallersList)
{
    NoticeCounter notices(pidl);
    ASSERT_TRUE(notices.registered());
    PIDLIST_ABSOLUTE callers = ILClone(pidl);
    HRESULT hr = initialize(callers);
    EXPECT_EQ(hr, S_FALSE) << "the inner folder's result comes back; " << std::hex << hr;
    ASSERT_NE(inner.last(), nullptr);
    EXPECT_EQ(inner.last()->method, "Initialize");
    EXPECT_EQ(inner.last()->args, std::vector<const void*>{callers});
    ZeroMemory(callers, ILGetSize(callers));
    ILFree(callers);
    EXPECT_EQ(notices.updates(0), 0) << "Initialize sends no notice";
    EXPECT_EQ(folder->Release(), 0u);
    folder = nullptr;
    EXPECT_EQ(notices.updates(1), 1) << "the final release notifies the folder's item";
}

TEST_F(ForwardingFolder, ListThatCannotBeCopiedFails)
{
    HRESULT hr = initialize(nullptr);
    EXPECT_EQ(hr, E_FAIL) << std::hex << hr;
    EXPECT_TRUE(inner.calls.empty()) << "the inner folder was initialised";
}

TEST_F(ForwardingFolder, InnerFolderWithoutPersistFolder)
{
    inner.answers_persist = false;
    HRESULT hr = initialize(pidl);
    EXPECT_EQ(hr, E_NOINTERFACE) << std::hex << hr;
    EXPECT_TRUE(inner.calls.empty());
}

TEST_F(ForwardingFolder, EachViewObjectSendsANotice)
{
    ASSERT_EQ(initialize(pidl), S_FALSE);
    NoticeCounter notices(pidl);
    ASSERT_TRUE(notices.registered());
    struct { HRESULT inner_result; int notices; } cases[] = {
        {S_OK, 1}, {E_NOINTERFACE, 2}, {E_OUTOFMEMORY, 3},
    };
    HWND owner = reinterpret_cast<HWND>(0x1234);
    for (const auto& c : cases) {
        inner.view_result = c.inner_result;
        void* out = kMarker;
        HRESULT hr = folder->CreateViewObject(owner, IID_IShellView, &out);
        EXPECT_EQ(hr, c.inner_result) << std::hex << hr;
        EXPECT_EQ(inner.last()->method, "CreateViewObject");
        EXPECT_EQ(inner.last()->args, (std::vector<const void*>{owner, &IID_IShellView, &out}));
        EXPECT_EQ(notices.updates(c.notices), c.notices) << "after inner result " << std::hex << c.inner_result;
    }
    folder->Release();
    folder = nullptr;
    EXPECT_EQ(notices.updates(4), 4) << "and one for the final release";
}

TEST_F(ForwardingFolder, NoNoticeWithoutInitialize)
{
    NoticeCounter notices(pidl);
    ASSERT_TRUE(notices.registered());
    folder->Release();
    folder = nullptr;
    EXPECT_EQ(notices.updates(0), 0);
}

TEST_F(ForwardingFolder, InterfaceIdentities)
{
    IUnknown* unknown = nullptr;
    IPersistFolder* persist_part = nullptr;
    IShellIcon* icon_part = nullptr;
    ASSERT_EQ(folder->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    ASSERT_EQ(folder->QueryInterface(IID_IPersistFolder, reinterpret_cast<void**>(&persist_part)), S_OK);
    ASSERT_EQ(folder->QueryInterface(IID_IShellIcon, reinterpret_cast<void**>(&icon_part)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(folder)) << "IUnknown is the IShellFolder part";
    EXPECT_NE(static_cast<void*>(persist_part), static_cast<void*>(folder));
    EXPECT_NE(static_cast<void*>(icon_part), static_cast<void*>(folder));
    EXPECT_EQ(icon_part->AddRef(), 5u) << "one count for the three parts";
    EXPECT_EQ(persist_part->Release(), 4u);
    for (const IID* iid : {&IID_IPersist, &IID_IPersistFolder2, &IID_IPersistFile, &IID_IShellFolder2}) {
        void* out = kMarker;
        EXPECT_EQ(icon_part->QueryInterface(*iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    icon_part->Release();
    icon_part->Release();
    unknown->Release();
}

TEST_F(ForwardingFolder, ShellIconPartAlwaysDeclines)
{
    IShellIcon* icon_part = nullptr;
    ASSERT_EQ(folder->QueryInterface(IID_IShellIcon, reinterpret_cast<void**>(&icon_part)), S_OK);
    for (UINT flags : {0u, static_cast<UINT>(GIL_OPENICON), static_cast<UINT>(GIL_FORSHELL)}) {
        int index = 0x7777;
        EXPECT_EQ(icon_part->GetIconOf(reinterpret_cast<PCUITEMID_CHILD>(0x10), flags, &index), E_NOTIMPL);
        EXPECT_EQ(index, 0x7777);
    }
    icon_part->Release();
    EXPECT_TRUE(inner.calls.empty());
}

// What OutputDebugStringA said while a handler was installed.
std::string g_debug_output;

LONG CALLBACK keep_debug_output(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2)
        g_debug_output += reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    return EXCEPTION_CONTINUE_SEARCH;
}

// The trace goes to the debugger, never into a box in front of the user.
TEST_F(ForwardingFolder, GetClassIdTracesToTheDebuggerAndFails)
{
    IPersistFolder* part = persist();
    PVOID handler = AddVectoredExceptionHandler(1, keep_debug_output);
    for (int round = 0; round < 2; ++round) {
        g_debug_output.clear();
        MessageBoxCloser closer(nullptr);
        CLSID clsid = kFoldersClass;
        HRESULT hr = part->GetClassID(&clsid);
        EXPECT_EQ(hr, E_FAIL) << std::hex << hr;
        EXPECT_FALSE(closer.closed(500)) << "a box was shown, round " << round;
        EXPECT_EQ(g_debug_output, "GetClassID : 0\n") << "round " << round;
        EXPECT_TRUE(IsEqualCLSID(clsid, kFoldersClass)) << "the class identifier was handed out";
    }
    RemoveVectoredExceptionHandler(handler);
    part->Release();
    EXPECT_TRUE(inner.calls.empty());
}

}
