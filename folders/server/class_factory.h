#pragma once
// The factory behind the library's class: the interface asked for decides
// which of the library's objects is made.
#include <windows.h>
#include <unknwn.h>

class CClassFactory final : public IClassFactory {
public:
    CClassFactory();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;

private:
    ~CClassFactory() = default;

    LONG m_cRef;
};
