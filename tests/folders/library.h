#pragma once
// The real folders.dll, loaded as the shell loads it: by path, its exports
// found by name.
#include <windows.h>
#include <objbase.h>

extern const CLSID kFoldersClass;

struct FoldersLibrary {
    HMODULE module = nullptr;
    HRESULT (WINAPI* get_class_object)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT (WINAPI* can_unload_now)() = nullptr;

    // The library next to the test, or the one at PATH.
    explicit FoldersLibrary(const char* path = nullptr);
    ~FoldersLibrary();
    FoldersLibrary(const FoldersLibrary&) = delete;
    FoldersLibrary& operator=(const FoldersLibrary&) = delete;

    bool loaded() const { return get_class_object && can_unload_now; }
    // DllGetClassObject for IClassFactory, then CreateInstance with RIID.
    HRESULT create(REFIID riid, void** ppv) const;
    template <typename T>
    HRESULT create(REFIID riid, T** ppv) const { return create(riid, reinterpret_cast<void**>(ppv)); }
};

// A pointer value no call of ours ever stores: out-parameters are preset to
// it to prove whether a call wrote them.
void* const kMarker = reinterpret_cast<void*>(0xDEADBEEF);
