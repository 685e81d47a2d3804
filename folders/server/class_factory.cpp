#include "server/class_factory.h"

#include "server/module.h"
#include "server/prop_sheet_ext.h"

#include <new>


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

// Hands out the interface asked for; a failed QueryInterface destroys the
// object again.
template <class T> static HRESULT ServeNewObject(T* pObject, REFIID riid, void** ppv)
{
    if (!pObject)
        return E_OUTOFMEMORY;
    HRESULT hr = pObject->QueryInterface(riid, ppv);
    pObject->Release();
    return hr;
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    if (IsEqualIID(riid, IID_IShellExtInit) || IsEqualIID(riid, IID_IShellPropSheetExt))
        return ServeNewObject(new (std::nothrow) CIconPropSheetExt(), riid, ppv);
    return E_NOINTERFACE;
}

STDMETHODIMP CClassFactory::LockServer(BOOL)
{
    return S_OK;
}
