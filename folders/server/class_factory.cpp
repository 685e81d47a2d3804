#include "server/class_factory.h"

#include "server/forwarding_folder.h"
#include "server/icon_handler.h"
#include "server/module.h"
#include "server/prop_sheet_ext.h"

#include <shlobj.h>

typedef HRESULT (*PFNCREATEOBJECT)(REFIID riid, void** ppv);

struct ObjectRole {
    const IID* piid;
    PFNCREATEOBJECT pfnCreate;
};

// The shell asks for the one class in several roles; the interface of the
// role picks the object. Looked up in this order; IUnknown picks none.
static const ObjectRole s_roles[] = {
    {&IID_IShellExtInit, CIconPropSheetExt::Create},
    {&IID_IShellPropSheetExt, CIconPropSheetExt::Create},
    {&IID_IPersistFile, CFolderIconHandler::Create},
    {&IID_IExtractIconW, CFolderIconHandler::Create},
    {&IID_IExtractIconA, CFolderIconHandler::Create},
    {&IID_IPersistFolder, CForwardingFolder::Create},
    {&IID_IShellFolder, CForwardingFolder::Create},
};


CClassFactory::CClassFactory() : m_cRef(1)
{
    ModuleAddRef();
}

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef()
{
    return InterlockedIncrement(&m_cRef);
}

STDMETHODIMP_(ULONG) CClassFactory::Release()
{
    LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef == 0) {
        ModuleRelease();
        delete this;
    }
    return cRef;
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    for (const ObjectRole& role : s_roles) {
        if (IsEqualIID(riid, *role.piid))
            return role.pfnCreate(riid, ppv);
    }
    return E_NOINTERFACE;
}

STDMETHODIMP CClassFactory::LockServer(BOOL)
{
    return S_OK;
}
