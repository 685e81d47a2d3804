#include "server/prop_sheet_ext.h"

#include "page/page_dlg.h"
#include "server/act_ctx.h"
#include "server/module.h"
#include "server/record.h"

#include <shellapi.h>

#include <new>

static const int s_nPageTemplate = 132;
static const int s_nTabIcon = 139;

CIconPropSheetExt::CIconPropSheetExt()
    : m_hImageList(nullptr), m_bChanged(FALSE), m_bRemoved(FALSE), m_nAnimateLarge(1),
      m_bAllColors(FALSE), m_bAllColorsStored(FALSE), m_bAllColorsChanged(FALSE), m_cRef(1), m_pDataObject(nullptr), m_szDefaultFileClosed(),
      m_nDefaultIndexClosed(0), m_szDefaultFileOpened(), m_nDefaultIndexOpened(0), m_szFolder(),
      m_szIniPath(), m_szFileClosed(), m_nIndexClosed(0), m_szFileOpened(), m_nIndexOpened(0)
{
    m_hImageList = ImageList_Create(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                    ILC_MASK | ILC_COLOR16 | ILC_PALETTE, 2, 0);
    ModuleAddRef();
}

HRESULT CIconPropSheetExt::Create(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    CIconPropSheetExt* pExt = new (std::nothrow) CIconPropSheetExt();
    if (!pExt)
        return E_OUTOFMEMORY;
    HRESULT hr = pExt->QueryInterface(riid, ppv);
    pExt->Release();
    return hr;
}

STDMETHODIMP CIconPropSheetExt::QueryInterface(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown))
        *ppv = static_cast<IShellPropSheetExt*>(this);
    else if (IsEqualIID(riid, IID_IShellExtInit))
        *ppv = static_cast<IShellExtInit*>(this);
    else if (IsEqualIID(riid, IID_IShellPropSheetExt))
        *ppv = static_cast<IShellPropSheetExt*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CIconPropSheetExt::AddRef()
{
    return InterlockedIncrement(&m_cRef);
}

STDMETHODIMP_(ULONG) CIconPropSheetExt::Release()
{
    LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef == 0) {
        if (m_hImageList)
            ImageList_Destroy(m_hImageList);
        if (m_pDataObject)
            m_pDataObject->Release();
        ModuleRelease();
        delete this;
    }
    return cRef;
}

STDMETHODIMP CIconPropSheetExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject* pDataObject, HKEY)
{
    if (m_pDataObject)
        m_pDataObject->Release();
    m_pDataObject = pDataObject;
    if (m_pDataObject)
        m_pDataObject->AddRef();
    return S_OK;
}

// Takes the one selected name into m_szFolder and m_szIniPath. Several names,
// none, or a path too long for them give no page: a cut name would point at
// some other folder's Desktop.ini.
BOOL CIconPropSheetExt::SelectSingleFolder()
{
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(m_pDataObject->GetData(&format, &medium)))
        return FALSE;
    HDROP hDrop = static_cast<HDROP>(medium.hGlobal);
    BOOL bSingle = DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0) == 1;
    if (bSingle) {
        LoadDefaultFolderIcons();
        bSingle = DragQueryFileW(hDrop, 0, nullptr, 0) < MAX_PATH &&
                  DragQueryFileW(hDrop, 0, m_szFolder, MAX_PATH) != 0 && MakeRecordPath(m_szFolder, m_szIniPath);
    }
    ReleaseStgMedium(&medium);
    return bSingle;
}

STDMETHODIMP CIconPropSheetExt::AddPages(LPFNSVADDPROPSHEETPAGE pfnAddPage, LPARAM lParam)
{
    if (!m_pDataObject || !SelectSingleFolder())
        return S_OK;
    if (!IsFolderCustomizable(m_szIniPath))
        return E_FAIL;
    return OfferPage(pfnAddPage, lParam);
}

HRESULT CIconPropSheetExt::OfferPage(LPFNSVADDPROPSHEETPAGE pfnAddPage, LPARAM lParam)
{
    PROPSHEETPAGEA_V3 page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_USEHICON | PSP_USETITLE | PSP_USEREFPARENT | PSP_USECALLBACK;
    page.hInstance = g_hInstance;
    page.pszTemplate = MAKEINTRESOURCEA(s_nPageTemplate);
    page.hIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(s_nTabIcon));
    page.pszTitle = "Icon";
    page.pfnDlgProc = PageDlgProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    page.pfnCallback = PageCallback;
    page.pcRefParent = const_cast<UINT*>(&g_cPageRefs);
    // Without a context of its own the page gets the old, unthemed controls,
    // even inside a Properties dialog drawn with the themed ones.
    page.hActCtx = ModuleActCtx();
    if (page.hActCtx)
        page.dwFlags |= PSP_USEFUSIONCONTEXT;

    AddRef();
    HPROPSHEETPAGE hPage = CreatePropertySheetPageA(&page);
    if (!hPage) {
        Release();
        return S_OK;
    }
    if (!pfnAddPage(hPage, lParam))
        DestroyPropertySheetPage(hPage);
    return S_OK;
}

STDMETHODIMP CIconPropSheetExt::ReplacePage(EXPPS, LPFNSVADDPROPSHEETPAGE, LPARAM)
{
    return E_NOTIMPL;
}

UINT CALLBACK PageCallback(HWND, UINT uMsg, LPPROPSHEETPAGEA ppsp)
{
    if (uMsg == PSPCB_RELEASE)
        reinterpret_cast<CIconPropSheetExt*>(ppsp->lParam)->Release();
    return 1;
}
