#pragma once
// The namespace object of a customized folder. It hands all namespace work
// to the shell's own file-system folder and adds one thing: an update notice
// for the folder whenever a view of it is made and when it is let go, so the
// shell asks the icon handler again and the open/closed icon follows.
#include <windows.h>
#include <shlobj.h>

class CForwardingFolder final : public IPersistFolder, public IShellFolder, public IShellIcon {
public:
    // Construct, QueryInterface, Release: a failed request leaves nothing alive.
    static HRESULT Create(REFIID riid, void** ppv);

    // IUnknown, shared by the three parts
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPersistFolder
    STDMETHODIMP GetClassID(CLSID* pClassID) override;
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE pidl) override;

    // IShellFolder
    STDMETHODIMP ParseDisplayName(HWND hwnd, IBindCtx* pbc, LPWSTR pszDisplayName, ULONG* pchEaten,
                                  PIDLIST_RELATIVE* ppidl, ULONG* pdwAttributes) override;
    STDMETHODIMP EnumObjects(HWND hwnd, SHCONTF grfFlags, IEnumIDList** ppenumIDList) override;
    STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE pidl, IBindCtx* pbc, REFIID riid, void** ppv) override;
    STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE pidl, IBindCtx* pbc, REFIID riid, void** ppv) override;
    STDMETHODIMP CompareIDs(LPARAM lParam, PCUIDLIST_RELATIVE pidl1, PCUIDLIST_RELATIVE pidl2) override;
    STDMETHODIMP CreateViewObject(HWND hwndOwner, REFIID riid, void** ppv) override;
    STDMETHODIMP GetAttributesOf(UINT cidl, PCUITEMID_CHILD_ARRAY apidl, SFGAOF* rgfInOut) override;
    STDMETHODIMP GetUIObjectOf(HWND hwndOwner, UINT cidl, PCUITEMID_CHILD_ARRAY apidl, REFIID riid,
                               UINT* rgfReserved, void** ppv) override;
    STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD pidl, SHGDNF uFlags, STRRET* pName) override;
    STDMETHODIMP SetNameOf(HWND hwnd, PCUITEMID_CHILD pidl, LPCWSTR pszName, SHGDNF uFlags,
                           PITEMID_CHILD* ppidlOut) override;

    // IShellIcon
    STDMETHODIMP GetIconOf(PCUITEMID_CHILD pidl, UINT flags, int* pIconIndex) override;

private:
    CForwardingFolder();
    ~CForwardingFolder() = default;

    void NotifyFolderChanged() const;

    IShellFolder* m_pInnerFolder;
    PIDLIST_ABSOLUTE m_pidlFolder;
    LONG m_cRef;
};
