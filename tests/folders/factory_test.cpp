// The contract of the library's entry points and class factory, against the
// real folders.dll.
#include "library.h"
#include "support/stdcall.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <vector>

namespace {

class Factory : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dll.loaded()) << "folders.dll not found or without its exports"; }
    void TearDown() override { EXPECT_EQ(dll.can_unload_now(), S_OK) << "an object was left alive"; }

    IClassFactory* factory()
    {
        IClassFactory* result = nullptr;
        HRESULT hr = dll.get_class_object(kFoldersClass, IID_IClassFactory, reinterpret_cast<void**>(&result));
        EXPECT_EQ(hr, S_OK) << std::hex << hr;
        return result;
    }

    FoldersLibrary dll;
};

TEST_F(Factory, ForeignClassIsNotAvailable)
{
    const CLSID foreign = {0x5E676C24, 0x194A, 0x11D1, {0x9F, 0xCB, 0x48, 0x54, 0xE8, 0x21, 0xE6, 0x11}};
    for (const CLSID* clsid : {&foreign, &CLSID_ShellDesktop, &GUID_NULL}) {
        void* out = kMarker;
        HRESULT hr = dll.get_class_object(*clsid, IID_IClassFactory, &out);
        EXPECT_EQ(hr, CLASS_E_CLASSNOTAVAILABLE) << std::hex << hr;
        EXPECT_EQ(out, nullptr);
    }
}

TEST_F(Factory, ClassObjectServesUnknownAndClassFactoryOnly)
{
    struct { const IID* iid; const char* name; HRESULT expected; } cases[] = {
        {&IID_IUnknown, "IUnknown", S_OK},
        {&IID_IClassFactory, "IClassFactory", S_OK},
        {&IID_IClassFactory2, "IClassFactory2", E_NOINTERFACE},
        {&IID_IShellFolder, "IShellFolder", E_NOINTERFACE},
        {&IID_IExtractIconA, "IExtractIconA", E_NOINTERFACE},
        {&IID_IMarshal, "IMarshal", E_NOINTERFACE},
    };
    for (const auto& c : cases) {
        void* out = kMarker;
        HRESULT hr = dll.get_class_object(kFoldersClass, *c.iid, &out);
        EXPECT_EQ(hr, c.expected) << c.name << " " << std::hex << hr;
        if (FAILED(hr)) {
            EXPECT_EQ(out, nullptr) << c.name;
            EXPECT_EQ(dll.can_unload_now(), S_OK) << c.name << ": a refused factory stayed alive";
            continue;
        }
        EXPECT_EQ(dll.can_unload_now(), S_FALSE) << c.name;
        IUnknown* unknown = static_cast<IUnknown*>(out);
        IClassFactory* as_factory = nullptr;
        EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&as_factory)), S_OK);
        ASSERT_NE(as_factory, nullptr);
        EXPECT_EQ(static_cast<IUnknown*>(as_factory), unknown) << c.name;
        EXPECT_EQ(as_factory->Release(), 1u);
        EXPECT_EQ(unknown->Release(), 0u) << c.name;
    }
}

TEST_F(Factory, FactoryCountsItsReferences)
{
    IClassFactory* f = factory();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->AddRef(), 2u);
    EXPECT_EQ(f->AddRef(), 3u);
    EXPECT_EQ(f->Release(), 2u);
    void* out = kMarker;
    EXPECT_EQ(f->QueryInterface(IID_IPersist, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(f->Release(), 1u);
    EXPECT_EQ(dll.can_unload_now(), S_FALSE);
    EXPECT_EQ(f->Release(), 0u);
}

TEST_F(Factory, LockServerChangesNothing)
{
    IClassFactory* f = factory();
    ASSERT_NE(f, nullptr);
    HRESULT hr = f->LockServer(TRUE);
    EXPECT_EQ(hr, S_OK) << std::hex << hr;
    f->Release();
    EXPECT_EQ(dll.can_unload_now(), S_OK) << "a lock held the module";
    f = factory();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->LockServer(FALSE), S_OK);
    EXPECT_EQ(f->LockServer(FALSE), S_OK);
    f->Release();
}

TEST_F(Factory, AggregationIsRefused)
{
    IClassFactory* f = factory();
    ASSERT_NE(f, nullptr);
    IUnknown* outer = f;  // any object will do: it must not be called
    for (const IID* iid : {&IID_IExtractIconA, &IID_IShellFolder, &IID_IUnknown}) {
        void* out = kMarker;
        HRESULT hr = f->CreateInstance(outer, *iid, &out);
        EXPECT_EQ(hr, CLASS_E_NOAGGREGATION) << std::hex << hr;
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(f->Release(), 0u);
}

TEST_F(Factory, InterfacesOutsideTheRolesMakeNothing)
{
    struct { const IID* iid; const char* name; } cases[] = {
        {&IID_IUnknown, "IUnknown"},
        {&IID_IPersist, "IPersist"},
        {&IID_IShellIcon, "IShellIcon"},
        {&IID_IClassFactory, "IClassFactory"},
        {&IID_IDispatch, "IDispatch"},
    };
    IClassFactory* f = factory();
    ASSERT_NE(f, nullptr);
    for (const auto& c : cases) {
        void* out = kMarker;
        HRESULT hr = f->CreateInstance(nullptr, *c.iid, &out);
        EXPECT_EQ(hr, E_NOINTERFACE) << c.name << " " << std::hex << hr;
        EXPECT_EQ(out, nullptr) << c.name;
    }
    f->Release();
}

// The role's interface picks the object: each object answers its own
// interfaces and none of the others'.
TEST_F(Factory, RoleInterfacePicksTheObject)
{
    struct { const IID* asked; const IID* has; const IID* lacks; const char* name; } cases[] = {
        {&IID_IPersistFile, &IID_IExtractIconA, &IID_IShellFolder, "IPersistFile"},
        {&IID_IExtractIconA, &IID_IPersistFile, &IID_IShellFolder, "IExtractIconA"},
        {&IID_IExtractIconW, &IID_IExtractIconA, &IID_IShellFolder, "IExtractIconW"},
        {&IID_IShellFolder, &IID_IPersistFolder, &IID_IExtractIconA, "IShellFolder"},
        {&IID_IPersistFolder, &IID_IShellIcon, &IID_IPersistFile, "IPersistFolder"},
        {&IID_IShellExtInit, &IID_IShellPropSheetExt, &IID_IShellFolder, "IShellExtInit"},
        {&IID_IShellPropSheetExt, &IID_IShellExtInit, &IID_IExtractIconA, "IShellPropSheetExt"},
    };
    for (const auto& c : cases) {
        IUnknown* object = nullptr;
        HRESULT hr = dll.create(*c.asked, &object);
        ASSERT_EQ(hr, S_OK) << c.name << " " << std::hex << hr;
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(dll.can_unload_now(), S_FALSE) << c.name;
        IUnknown* other = nullptr;
        EXPECT_EQ(object->QueryInterface(*c.has, reinterpret_cast<void**>(&other)), S_OK) << c.name;
        if (other)
            other->Release();
        void* lacking = kMarker;
        EXPECT_EQ(object->QueryInterface(*c.lacks, &lacking), E_NOINTERFACE) << c.name;
        EXPECT_EQ(lacking, nullptr) << c.name;
        EXPECT_EQ(object->Release(), 0u) << c.name;
        EXPECT_EQ(dll.can_unload_now(), S_OK) << c.name;
    }
}

TEST_F(Factory, LiveObjectHoldsTheModule)
{
    IClassFactory* f = factory();
    ASSERT_NE(f, nullptr);
    IExtractIconA* handler = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IID_IExtractIconA, reinterpret_cast<void**>(&handler)), S_OK);
    f->Release();
    EXPECT_EQ(dll.can_unload_now(), S_FALSE) << "the object holds the module";
    handler->Release();
}

#ifdef __i386__
TEST_F(Factory, EntryPointsPopTheirOwnArguments)
{
    void* out = kMarker;
    const DWORD get_arguments[] = {reinterpret_cast<DWORD>(&kFoldersClass), reinterpret_cast<DWORD>(&IID_IUnknown),
                                   reinterpret_cast<DWORD>(&out)};
    EXPECT_EQ(call_counting_popped_bytes(reinterpret_cast<void*>(dll.get_class_object), get_arguments, 3), 12u);
    ASSERT_NE(out, kMarker);
    static_cast<IUnknown*>(out)->Release();
    EXPECT_EQ(call_counting_popped_bytes(reinterpret_cast<void*>(dll.can_unload_now), nullptr, 0), 0u);
}
#endif

}
