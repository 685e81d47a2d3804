#include "server/act_ctx.h"
#include "server/class_factory.h"
#include "server/module.h"

#include <new>

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    switch (dwReason) {
    case DLL_PROCESS_ATTACH:
        g_hShell32 = LoadLibraryA("Shell32");
        g_hInstance = hInstance;
        return TRUE;
    case DLL_PROCESS_DETACH:
        ReleaseModuleActCtx();
        if (g_hShell32)
            FreeLibrary(g_hShell32);
        return TRUE;
    case DLL_THREAD_ATTACH:
    case DLL_THREAD_DETACH:
        return TRUE;
    default:
        return FALSE;
    }
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_FolderIcons))
        return CLASS_E_CLASSNOTAVAILABLE;
    CClassFactory* pFactory = new (std::nothrow) CClassFactory();
    if (!pFactory)
        return E_OUTOFMEMORY;
    HRESULT hr = pFactory->QueryInterface(riid, ppv);
    pFactory->Release();
    return hr;
}

STDAPI DllCanUnloadNow()
{
    return g_cModuleRefs == 0 && g_cPageRefs == 0 ? S_OK : S_FALSE;
}
