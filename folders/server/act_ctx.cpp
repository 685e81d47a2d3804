#include "server/act_ctx.h"

#include "server/module.h"

// Not made at process attach: the loader lock is held there, and making a
// context reads the manifests of the side-by-side store.
static HANDLE volatile g_hActCtx;

static HANDLE CreateModuleActCtx()
{
    WCHAR wszModule[MAX_PATH];
    DWORD cchModule = GetModuleFileNameW(g_hInstance, wszModule, MAX_PATH);
    if (cchModule == 0 || cchModule == MAX_PATH)
        return nullptr;
    ACTCTXW actCtx = {};
    actCtx.cbSize = sizeof actCtx;
    actCtx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    actCtx.lpSource = wszModule;
    actCtx.hModule = g_hInstance;
    actCtx.lpResourceName = reinterpret_cast<LPCWSTR>(ISOLATIONAWARE_MANIFEST_RESOURCE_ID);
    HANDLE hActCtx = CreateActCtxW(&actCtx);
    return hActCtx != INVALID_HANDLE_VALUE ? hActCtx : nullptr;
}

// Two shell threads may ask at once: the first context published is the one
// kept, and a context made in vain is given back.
HANDLE ModuleActCtx()
{
    HANDLE hActCtx = g_hActCtx;
    if (hActCtx)
        return hActCtx;
    hActCtx = CreateModuleActCtx();
    if (!hActCtx)
        return nullptr;
    HANDLE hEarlier = InterlockedCompareExchangePointer(&g_hActCtx, hActCtx, nullptr);
    if (!hEarlier)
        return hActCtx;
    ReleaseActCtx(hActCtx);
    return hEarlier;
}

void ReleaseModuleActCtx()
{
    HANDLE hActCtx = InterlockedExchangePointer(&g_hActCtx, nullptr);
    if (hActCtx)
        ReleaseActCtx(hActCtx);
}
