// The property-sheet extension as the shell meets it: which selections get
// the "Icon" page, what the page holds on the object and on the module.
#include "library_calls.h"
#include "page_support.h"

#include <gtest/gtest.h>

namespace {

class PropSheetExt : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.loaded());
        ASSERT_EQ(library.can_unload_now(), S_OK);
    }
    IShellPropSheetExt* make()
    {
        IShellPropSheetExt* ext = static_cast<IShellPropSheetExt*>(kMarker);
        EXPECT_EQ(library.create(IID_IShellPropSheetExt, &ext), S_OK);
        return ext;
    }
    static void initialize(IShellPropSheetExt* ext, IDataObject* selection)
    {
        IShellExtInit* init = nullptr;
        ASSERT_EQ(ext->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
        EXPECT_EQ(init->Initialize(nullptr, selection, nullptr), S_OK);
        init->Release();
    }
    FoldersLibrary library;
    ScratchFolder folder{"sheet"};
};

TEST_F(PropSheetExt, OffersThePageOnlyForOneFreeFolder)
{
    ScratchFolder other("sheet-other");
    ScratchFolder owned("sheet-owned");
    owned.write_record("[.ShellClassInfo]\r\nCLSID={20D04FE0-3AEA-1069-A2D8-08002B30309D}\r\n");
    ScratchFolder ours("sheet-ours");
    ours.write_record("[.ShellClassInfo]\r\nCLSID={5e676c24-194a-11d1-9fcb-4854e821e610}\r\n");
    std::string too_long = folder.path() + "\\" + std::string(259 - folder.path().size() - 1, 'n');
    struct Case {
        const char* name;
        std::vector<std::string> selection;
        bool fail_get_data;
        HRESULT result;
        size_t pages;
    } cases[] = {
        {"no record", {folder.path()}, false, S_OK, 1},
        {"ours already", {ours.path()}, false, S_OK, 1},
        {"two folders", {folder.path(), other.path()}, false, S_OK, 0},
        {"nothing selected", {}, false, S_OK, 0},
        {"owned by another class", {owned.path()}, false, E_FAIL, 0},
        {"no drop format", {folder.path()}, true, S_OK, 0},
        {"record path too long", {too_long}, false, S_OK, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDataObject selection(c.selection, c.fail_get_data);
        IShellPropSheetExt* ext = make();
        initialize(ext, &selection);
        PageCollector collector;

        HRESULT hr = ext->AddPages(PageCollector::add, reinterpret_cast<LPARAM>(&collector));

        EXPECT_EQ(hr, c.result) << std::hex << hr;
        EXPECT_EQ(collector.pages.size(), c.pages);
        for (HPROPSHEETPAGE page : collector.pages)
            DestroyPropertySheetPage(page);
        EXPECT_EQ(ext->Release(), 0u);
        EXPECT_EQ(selection.references(), 1);
        EXPECT_EQ(library.can_unload_now(), S_OK);
    }
}

// Any name gets the page, whether the system code page spells it or not;
// one too long for a path gets none (a cut name is another folder).
TEST_F(PropSheetExt, WideNamesOfFoldersOfAnyScript)
{
    struct Case {
        const char* name;
        std::wstring path;
        size_t pages;
    } cases[] = {
        {"code page name", folder.wide_path() + L"\\caf\u00e9", 1},
        {"cyrillic name", folder.wide_path() + L"\\\u0444\u043e\u0442\u043e", 1},
        {"greek and CJK name", folder.wide_path() + L"\\\u03b5\u03b9\u03ba\u03cc\u03bd\u03b1 \u5199\u771f", 1},
        {"longer than a path", folder.wide_path() + L"\\" + std::wstring(300, L'w'), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CreateDirectoryW(c.path.c_str(), nullptr);
        FakeDataObject selection(c.path);
        IShellPropSheetExt* ext = make();
        initialize(ext, &selection);
        PageCollector collector;

        EXPECT_EQ(ext->AddPages(PageCollector::add, reinterpret_cast<LPARAM>(&collector)), S_OK);

        EXPECT_EQ(collector.pages.size(), c.pages);
        for (HPROPSHEETPAGE page : collector.pages)
            DestroyPropertySheetPage(page);
        ext->Release();
    }
}

TEST_F(PropSheetExt, WithoutInitializeNoPage)
{
    IShellPropSheetExt* ext = make();
    PageCollector collector;

    EXPECT_EQ(ext->AddPages(PageCollector::add, reinterpret_cast<LPARAM>(&collector)), S_OK);

    EXPECT_TRUE(collector.pages.empty());
    ext->Release();
}

TEST_F(PropSheetExt, InitializeTwiceHoldsOnlyTheSecondSelection)
{
    FakeDataObject first({folder.path()});
    FakeDataObject second({folder.path()});
    IShellPropSheetExt* ext = make();

    initialize(ext, &first);
    initialize(ext, &second);

    EXPECT_EQ(first.references(), 1);
    EXPECT_EQ(second.references(), 2);
    initialize(ext, nullptr);
    EXPECT_EQ(second.references(), 1);
    initialize(ext, &second);
    ext->Release();
    EXPECT_EQ(second.references(), 1);
}

TEST_F(PropSheetExt, ReplacePageIsNotImplemented)
{
    IShellPropSheetExt* ext = make();
    PageCollector collector;

    EXPECT_EQ(ext->ReplacePage(EXPPS_FILETYPES, PageCollector::add, reinterpret_cast<LPARAM>(&collector)),
              E_NOTIMPL);

    EXPECT_TRUE(collector.pages.empty());
    ext->Release();
}

TEST_F(PropSheetExt, AnswersItsTwoInterfacesAndIUnknown)
{
    IShellPropSheetExt* ext = make();
    struct Case {
        const IID* iid;
        HRESULT result;
    } cases[] = {
        {&IID_IUnknown, S_OK},         {&IID_IShellExtInit, S_OK},   {&IID_IShellPropSheetExt, S_OK},
        {&IID_IPersistFile, E_NOINTERFACE}, {&IID_IShellFolder, E_NOINTERFACE}, {&IID_IDataObject, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        void* out = kMarker;
        EXPECT_EQ(ext->QueryInterface(*c.iid, &out), c.result);
        if (c.result == S_OK) {
            ASSERT_NE(out, nullptr);
            static_cast<IUnknown*>(out)->Release();
        } else {
            EXPECT_EQ(out, nullptr);
        }
    }
    IUnknown* unknown = nullptr;
    ext->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(ext));
    unknown->Release();
    EXPECT_EQ(ext->Release(), 0u);
}

// The page keeps the object and the module alive after the shell lets the
// object go, until the sheet destroys the page. Some sheets change the
// page's count without interlocked calls: an icon handler made on another
// thread in between must not be lost from the module's count.
TEST_F(PropSheetExt, ThePageHoldsTheModuleUntilTheSheetCloses)
{
    record_library_calls(library.module);
    library_calls().pages.clear();
    OfferedPage offered(library, folder.path());
    ASSERT_EQ(offered.collector.pages.size(), 1u);
    offered.ext->Release();
    offered.ext = nullptr;
    EXPECT_EQ(library.can_unload_now(), S_FALSE);
    ASSERT_EQ(library_calls().pages.size(), 1u);
    UINT* sheet_count = library_calls().pages[0].ref_parent;
    ASSERT_NE(sheet_count, nullptr);
    UINT read_by_sheet = *sheet_count;
    IUnknown* handler = nullptr;
    ASSERT_EQ(library.create(IID_IExtractIconA, &handler), S_OK);
    *sheet_count = read_by_sheet;

    {
        Sheet sheet(offered.collector.pages);
        ASSERT_NE(sheet.page(), nullptr);
        EXPECT_EQ(library.can_unload_now(), S_FALSE);
    }

    EXPECT_EQ(offered.selection.references(), 1);
    EXPECT_EQ(library.can_unload_now(), S_FALSE) << "the handler's count was lost";
    handler->Release();
    EXPECT_EQ(library.can_unload_now(), S_OK);
}

TEST_F(PropSheetExt, ARefusedPageLeavesNothingBehind)
{
    FakeDataObject selection({folder.path()});
    IShellPropSheetExt* ext = make();
    initialize(ext, &selection);
    PageCollector collector;
    collector.accept = FALSE;

    EXPECT_EQ(ext->AddPages(PageCollector::add, reinterpret_cast<LPARAM>(&collector)), S_OK);

    EXPECT_EQ(ext->Release(), 0u);
    EXPECT_EQ(library.can_unload_now(), S_OK);
}

// The pages' activation context is made once for the library's life and
// given back when the library unloads: the shell loads and frees extensions
// for as long as the user is logged on.
TEST(PageContext, MadeOnceAndGivenBackWhenTheLibraryUnloads)
{
    LibraryCalls& calls = library_calls();
    calls.clear();
    {
        FoldersLibrary library;
        ASSERT_TRUE(library.loaded());
        record_library_calls(library.module);
        ScratchFolder folder("sheet-context");
        for (int i = 0; i < 2; ++i) {
            OfferedPage offered(library, folder.path());
            ASSERT_EQ(offered.collector.pages.size(), 1u);
            DestroyPropertySheetPage(offered.collector.pages[0]);
        }
        EXPECT_TRUE(calls.released_contexts.empty());
    }

    ASSERT_EQ(calls.pages.size(), 2u);
    EXPECT_NE(calls.pages[0].context, nullptr);
    EXPECT_EQ(calls.pages[1].context, calls.pages[0].context) << "a context for each page";
    EXPECT_EQ(calls.released_contexts, std::vector<HANDLE>{calls.pages[0].context});
}

}
