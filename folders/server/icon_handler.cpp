#include "server/icon_handler.h"

#include "server/module.h"
#include "server/record.h"

#include <cstring>
#include <new>

// The library's own drawings: index 2 is the closed folder, 3 the same folder
// open. "AnimateLarge" defaults to on.
static const int s_nDefaultIndexClosed = 2;
static const int s_nDefaultIndexOpened = 3;
static const int s_nDefaultAnimateLarge = 3;

static const char s_szFolderWindowClass[] = "CabinetWClass";

CFolderIconHandler::CFolderIconHandler()
    : m_szFolder(), m_szIniPath(), m_szFileClosed(), m_nIndexClosed(0), m_szFileOpened(),
      m_nIndexOpened(0), m_bFolderWindowOpen(FALSE), m_nAnimateLarge(0), m_cRef(1)
{
    ModuleAddRef();
}

HRESULT CFolderIconHandler::Create(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    CFolderIconHandler* pHandler = new (std::nothrow) CFolderIconHandler();
    if (!pHandler)
        return E_OUTOFMEMORY;
    HRESULT hr = pHandler->QueryInterface(riid, ppv);
    pHandler->Release();
    return hr;
}

STDMETHODIMP CFolderIconHandler::QueryInterface(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IExtractIconA))
        *ppv = static_cast<IExtractIconA*>(this);
    else if (IsEqualIID(riid, IID_IPersistFile))
        *ppv = static_cast<IPersistFile*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CFolderIconHandler::AddRef()
{
    return InterlockedIncrement(&m_cRef);
}

STDMETHODIMP_(ULONG) CFolderIconHandler::Release()
{
    LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef == 0) {
        ModuleRelease();
        delete this;
    }
    return cRef;
}

STDMETHODIMP CFolderIconHandler::GetClassID(CLSID*)
{
    return E_FAIL;
}

STDMETHODIMP CFolderIconHandler::IsDirty()
{
    return S_FALSE;
}

// Never fails: a folder we cannot name safely, or without a record, shows
// the library's own pair of icons.
STDMETHODIMP CFolderIconHandler::Load(LPCOLESTR pszFileName, DWORD)
{
    char szLibrary[MAX_PATH];
    GetModuleFileNameA(g_hInstance, szLibrary, sizeof szLibrary);
    BOOL bRecordKnown = WidePathToAnsi(pszFileName, m_szFolder) && MakeRecordPath(m_szFolder, m_szIniPath);
    if (bRecordKnown)
        ReadRecord(szLibrary);
    else
        UseDefaults(szLibrary);
    m_bFolderWindowOpen = bRecordKnown && m_nAnimateLarge != 0 && IsFolderWindowOpen();
    return S_OK;
}

void CFolderIconHandler::UseDefaults(const char* pszLibrary)
{
    lstrcpynA(m_szFileClosed, pszLibrary, MAX_PATH);
    m_nIndexClosed = s_nDefaultIndexClosed;
    lstrcpynA(m_szFileOpened, pszLibrary, MAX_PATH);
    m_nIndexOpened = s_nDefaultIndexOpened;
    m_nAnimateLarge = s_nDefaultAnimateLarge;
}

// A file name too long to read whole counts as missing.
void CFolderIconHandler::ReadRecord(const char* pszLibrary)
{
    if (!ReadIconFileName(g_szKeyIconFileClosed, pszLibrary, m_szFileClosed, m_szIniPath))
        lstrcpynA(m_szFileClosed, pszLibrary, MAX_PATH);
    m_nIndexClosed = GetPrivateProfileIntA(g_szSectionIcons, g_szKeyIndexClosed, s_nDefaultIndexClosed,
                                           m_szIniPath);
    if (!ReadIconFileName(g_szKeyIconFileOpened, pszLibrary, m_szFileOpened, m_szIniPath))
        lstrcpynA(m_szFileOpened, pszLibrary, MAX_PATH);
    m_nIndexOpened = GetPrivateProfileIntA(g_szSectionIcons, g_szKeyIndexOpened, s_nDefaultIndexOpened,
                                           m_szIniPath);
    m_nAnimateLarge = GetPrivateProfileIntA(g_szSectionIcons, g_szKeyAnimateLarge, s_nDefaultAnimateLarge,
                                            m_szIniPath);
}

// Only titles are compared: a window showing another folder of the same
// name counts too.
BOOL CFolderIconHandler::IsFolderWindowOpen() const
{
    if (FindWindowA(s_szFolderWindowClass, m_szFolder))
        return TRUE;
    const char* pszLastSlash = std::strrchr(m_szFolder, '\\');
    return pszLastSlash && FindWindowA(s_szFolderWindowClass, pszLastSlash + 1) != nullptr;
}

STDMETHODIMP CFolderIconHandler::Save(LPCOLESTR, BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP CFolderIconHandler::SaveCompleted(LPCOLESTR)
{
    return E_NOTIMPL;
}

STDMETHODIMP CFolderIconHandler::GetCurFile(LPOLESTR*)
{
    return E_NOTIMPL;
}

// A name that does not fit the caller's buffer fails the call and writes
// nothing: a cut name would point the shell at some other file.
STDMETHODIMP CFolderIconHandler::GetIconLocation(UINT uFlags, LPSTR pszIconFile, UINT cchMax, int* piIndex,
                                                 UINT* pwFlags)
{
    BOOL bOpen = (uFlags & GIL_OPENICON) || (m_bFolderWindowOpen && m_nAnimateLarge);
    const char* pszFile = bOpen ? m_szFileOpened : m_szFileClosed;
    if (!pszIconFile || !piIndex)
        return E_INVALIDARG;
    if (std::strlen(pszFile) >= cchMax)
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    std::strcpy(pszIconFile, pszFile);
    *piIndex = bOpen ? m_nIndexOpened : m_nIndexClosed;
    if (pwFlags)
        *pwFlags = 0;
    return S_OK;
}

STDMETHODIMP CFolderIconHandler::Extract(LPCSTR, UINT, HICON*, HICON*, UINT)
{
    return S_FALSE;
}
