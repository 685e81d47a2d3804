#include "library.h"

#include "support/programs.h"

#include <string>

const CLSID kFoldersClass =
    {0x5E676C24, 0x194A, 0x11D1, {0x9F, 0xCB, 0x48, 0x54, 0xE8, 0x21, 0xE6, 0x10}};

template <typename PFN>
static PFN export_of(HMODULE module, const char* name)
{
    return reinterpret_cast<PFN>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

FoldersLibrary::FoldersLibrary(const char* path)
{
    std::string file = path ? path : sibling_path("folders.dll");
    module = LoadLibraryA(file.c_str());
    if (!module)
        return;
    get_class_object = export_of<decltype(get_class_object)>(module, "DllGetClassObject");
    can_unload_now = export_of<decltype(can_unload_now)>(module, "DllCanUnloadNow");
}

FoldersLibrary::~FoldersLibrary()
{
    if (module)
        FreeLibrary(module);
}

HRESULT FoldersLibrary::create(REFIID riid, void** ppv) const
{
    IClassFactory* factory = nullptr;
    HRESULT hr = get_class_object(kFoldersClass, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(nullptr, riid, ppv);
    factory->Release();
    return hr;
}
