#include "server/forwarding_folder.h"

#include "server/module.h"

#include <new>

// The shell's own file-system folder, the object that does the real work.
static const CLSID CLSID_ShellFSFolderObject =
    {0xF3364BA0, 0x65B9, 0x11CE, {0xA9, 0xBA, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37}};

// SHCNF_IDLIST with only the no-wait bit: the notice is queued for the shell
// and never waited for, since we may be called on the shell's own thread.
static const UINT s_uNoticeFlags = SHCNF_IDLIST | 0x2000;

// The shell library exports its item-list copy and free by ordinal only.
static const WORD s_nOrdinalILClone = 18;
static const WORD s_nOrdinalILFree = 155;

typedef LPITEMIDLIST (WINAPI* PFNILCLONE)(LPCITEMIDLIST);
typedef void (WINAPI* PFNILFREE)(LPITEMIDLIST);
typedef HRESULT (WINAPI* PFNDLLGETCLASSOBJECT)(REFCLSID, REFIID, void**);

// Entries of the shell library, looked up afresh on each use.
template <typename PFN>
static PFN ShellEntry(LPCSTR pszName)
{
    FARPROC pfn = g_hShell32 ? GetProcAddress(g_hShell32, pszName) : nullptr;
    return reinterpret_cast<PFN>(reinterpret_cast<void*>(pfn));
}

static PIDLIST_ABSOLUTE CloneItemList(PCIDLIST_ABSOLUTE pidl)
{
    PFNILCLONE pfnClone = ShellEntry<PFNILCLONE>(MAKEINTRESOURCEA(s_nOrdinalILClone));
    return pfnClone ? static_cast<PIDLIST_ABSOLUTE>(pfnClone(pidl)) : nullptr;
}

static void FreeItemList(PIDLIST_ABSOLUTE pidl)
{
    PFNILFREE pfnFree = ShellEntry<PFNILFREE>(MAKEINTRESOURCEA(s_nOrdinalILFree));
    if (pfnFree)
        pfnFree(pidl);
}

static IShellFolder* CreateFromShellLibrary()
{
    IShellFolder* pFolder = nullptr;
    PFNDLLGETCLASSOBJECT pfnGetClassObject = ShellEntry<PFNDLLGETCLASSOBJECT>("DllGetClassObject");
    IClassFactory* pFactory = nullptr;
    if (pfnGetClassObject &&
        SUCCEEDED(pfnGetClassObject(CLSID_ShellFSFolderObject, IID_IClassFactory,
                                    reinterpret_cast<void**>(&pFactory)))) {
        pFactory->CreateInstance(nullptr, IID_IShellFolder, reinterpret_cast<void**>(&pFolder));
        pFactory->Release();
    }
    return pFolder;
}

// Windows 10 and later register the file-system folder to another system
// library, and shell32 may no longer make it itself: the class's
// registration then says where it lives.
static IShellFolder* CreateShellFileSystemFolder()
{
    IShellFolder* pFolder = CreateFromShellLibrary();
    if (!pFolder)
        CoCreateInstance(CLSID_ShellFSFolderObject, nullptr, CLSCTX_INPROC_SERVER, IID_IShellFolder,
                         reinterpret_cast<void**>(&pFolder));
    return pFolder;
}

CForwardingFolder::CForwardingFolder()
    : m_pInnerFolder(CreateShellFileSystemFolder()), m_pidlFolder(nullptr), m_cRef(1)
{
    ModuleAddRef();
}

HRESULT CForwardingFolder::Create(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    CForwardingFolder* pFolder = new (std::nothrow) CForwardingFolder();
    if (!pFolder)
        return E_OUTOFMEMORY;
    // Without the shell's folder there is nothing to forward to.
    HRESULT hr = pFolder->m_pInnerFolder ? pFolder->QueryInterface(riid, ppv) : E_FAIL;
    pFolder->Release();
    return hr;
}

STDMETHODIMP CForwardingFolder::QueryInterface(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellFolder))
        *ppv = static_cast<IShellFolder*>(this);
    else if (IsEqualIID(riid, IID_IPersistFolder))
        *ppv = static_cast<IPersistFolder*>(this);
    else if (IsEqualIID(riid, IID_IShellIcon))
        *ppv = static_cast<IShellIcon*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CForwardingFolder::AddRef()
{
    return InterlockedIncrement(&m_cRef);
}

STDMETHODIMP_(ULONG) CForwardingFolder::Release()
{
    LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef == 0) {
        if (m_pInnerFolder)
            m_pInnerFolder->Release();
        if (m_pidlFolder) {
            NotifyFolderChanged();
            FreeItemList(m_pidlFolder);
        }
        ModuleRelease();
        delete this;
    }
    return cRef;
}

void CForwardingFolder::NotifyFolderChanged() const
{
    SHChangeNotify(SHCNE_UPDATEITEM, s_uNoticeFlags, m_pidlFolder, nullptr);
}

STDMETHODIMP CForwardingFolder::GetClassID(CLSID*)
{
    TraceMessage("GetClassID", 0);
    return E_FAIL;
}

STDMETHODIMP CForwardingFolder::Initialize(PCIDLIST_ABSOLUTE pidl)
{
    PIDLIST_ABSOLUTE pidlCopy = CloneItemList(pidl);
    if (!pidlCopy)
        return E_FAIL;
    if (m_pidlFolder)
        FreeItemList(m_pidlFolder);
    m_pidlFolder = pidlCopy;
    IPersistFolder* pInnerPersist = nullptr;
    HRESULT hr = m_pInnerFolder->QueryInterface(IID_IPersistFolder, reinterpret_cast<void**>(&pInnerPersist));
    if (SUCCEEDED(hr)) {
        hr = pInnerPersist->Initialize(pidl);
        pInnerPersist->Release();
    }
    return hr;
}

STDMETHODIMP CForwardingFolder::ParseDisplayName(HWND hwnd, IBindCtx* pbc, LPWSTR pszDisplayName,
                                                 ULONG* pchEaten, PIDLIST_RELATIVE* ppidl,
                                                 ULONG* pdwAttributes)
{
    return m_pInnerFolder->ParseDisplayName(hwnd, pbc, pszDisplayName, pchEaten, ppidl, pdwAttributes);
}

STDMETHODIMP CForwardingFolder::EnumObjects(HWND hwnd, SHCONTF grfFlags, IEnumIDList** ppenumIDList)
{
    return m_pInnerFolder->EnumObjects(hwnd, grfFlags, ppenumIDList);
}

STDMETHODIMP CForwardingFolder::BindToObject(PCUIDLIST_RELATIVE pidl, IBindCtx* pbc, REFIID riid, void** ppv)
{
    return m_pInnerFolder->BindToObject(pidl, pbc, riid, ppv);
}

STDMETHODIMP CForwardingFolder::BindToStorage(PCUIDLIST_RELATIVE pidl, IBindCtx* pbc, REFIID riid, void** ppv)
{
    return m_pInnerFolder->BindToStorage(pidl, pbc, riid, ppv);
}

STDMETHODIMP CForwardingFolder::CompareIDs(LPARAM lParam, PCUIDLIST_RELATIVE pidl1, PCUIDLIST_RELATIVE pidl2)
{
    return m_pInnerFolder->CompareIDs(lParam, pidl1, pidl2);
}

STDMETHODIMP CForwardingFolder::CreateViewObject(HWND hwndOwner, REFIID riid, void** ppv)
{
    HRESULT hr = m_pInnerFolder->CreateViewObject(hwndOwner, riid, ppv);
    NotifyFolderChanged();
    return hr;
}

STDMETHODIMP CForwardingFolder::GetAttributesOf(UINT cidl, PCUITEMID_CHILD_ARRAY apidl, SFGAOF* rgfInOut)
{
    return m_pInnerFolder->GetAttributesOf(cidl, apidl, rgfInOut);
}

STDMETHODIMP CForwardingFolder::GetUIObjectOf(HWND hwndOwner, UINT cidl, PCUITEMID_CHILD_ARRAY apidl,
                                              REFIID riid, UINT* rgfReserved, void** ppv)
{
    return m_pInnerFolder->GetUIObjectOf(hwndOwner, cidl, apidl, riid, rgfReserved, ppv);
}

STDMETHODIMP CForwardingFolder::GetDisplayNameOf(PCUITEMID_CHILD pidl, SHGDNF uFlags, STRRET* pName)
{
    return m_pInnerFolder->GetDisplayNameOf(pidl, uFlags, pName);
}

STDMETHODIMP CForwardingFolder::SetNameOf(HWND hwnd, PCUITEMID_CHILD pidl, LPCWSTR pszName, SHGDNF uFlags,
                                          PITEMID_CHILD* ppidlOut)
{
    return m_pInnerFolder->SetNameOf(hwnd, pidl, pszName, uFlags, ppidlOut);
}

STDMETHODIMP CForwardingFolder::GetIconOf(PCUITEMID_CHILD, UINT, int*)
{
    return E_NOTIMPL;
}
