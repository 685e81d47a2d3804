#include "server/icon_handler.h"

#include "page/record_encoding.h"
#include "page/text_values.h"
#include "server/icon_origin.h"
#include "server/module.h"
#include "server/record.h"

#include <shlwapi.h>
#include <new>

// "AnimateLarge" defaults to on.
static const int s_nDefaultAnimateLarge = 3;

static const WCHAR s_szFolderWindowClass[] = L"CabinetWClass";

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
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IExtractIconW))
        *ppv = static_cast<IExtractIconW*>(this);
    else if (IsEqualIID(riid, IID_IExtractIconA))
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

// Never fails: no folder, or one whose record path is too long, shows the
// library's own pair of icons.
STDMETHODIMP CFolderIconHandler::Load(LPCOLESTR pszFileName, DWORD)
{
    WCHAR szLibrary[MAX_PATH];
    GetModuleFileNameW(g_hInstance, szLibrary, MAX_PATH);
    BOOL bRecordKnown = pszFileName && lstrlenW(pszFileName) < MAX_PATH;
    if (bRecordKnown) {
        lstrcpyW(m_szFolder, pszFileName);
        bRecordKnown = MakeRecordPath(m_szFolder, m_szIniPath);
    }
    if (bRecordKnown) {
        ReadRecord(szLibrary);
        RefuseUnusableFiles(szLibrary);
    } else
        UseDefaults(szLibrary);
    m_bFolderWindowOpen = bRecordKnown && m_nAnimateLarge != 0 && IsFolderWindowOpen();
    return S_OK;
}

void CFolderIconHandler::UseDefaults(const WCHAR* pszLibrary)
{
    lstrcpynW(m_szFileClosed, pszLibrary, MAX_PATH);
    m_nIndexClosed = g_nLibraryIndexClosed;
    lstrcpynW(m_szFileOpened, pszLibrary, MAX_PATH);
    m_nIndexOpened = g_nLibraryIndexOpened;
    m_nAnimateLarge = s_nDefaultAnimateLarge;
}

// The record is read whole, once: the shell asks for every customized
// folder it shows, and each profile read would open the file again. A record
// that cannot be read, or whose bytes give no exact text, reads as empty.
static void LoadRecordText(const WCHAR* pszIniPath, CRecordText* pText)
{
    HANDLE hFile = CreateFileW(pszIniPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return;
    RecordEncoding encoding = RecordCodePage;
    if (!ReadRecordText(hFile, pText, &encoding))
        pText->Adopt(nullptr, 0);
    CloseHandle(hFile);
}

// The shell is given the name with its environment strings expanded: the
// name that was judged. An empty name, or one too long to read whole or to
// expand, counts as missing.
static void ReadIconFile(const CRecordText& text, const WCHAR* pszKey, const WCHAR* pszLibrary, WCHAR* pszFile)
{
    WCHAR szName[MAX_PATH];
    if (!text.Get(g_szSectionIcons, pszKey, szName, MAX_PATH) || !szName[0] || !ExpandIconFileName(szName, pszFile))
        lstrcpynW(pszFile, pszLibrary, MAX_PATH);
}

// As the profile services read a number: a missing or empty value gives the
// default, and the digits before any other character give the number.
static int ReadIconNumber(const CRecordText& text, const WCHAR* pszKey, int nDefault)
{
    WCHAR szValue[MAX_PATH];
    if (!text.Get(g_szSectionIcons, pszKey, szValue, MAX_PATH) || !szValue[0])
        return nDefault;
    return ParseDecimal(szValue);
}

void CFolderIconHandler::ReadRecord(const WCHAR* pszLibrary)
{
    CRecordText text;
    LoadRecordText(m_szIniPath, &text);
    ReadIconFile(text, g_szKeyIconFileClosed, pszLibrary, m_szFileClosed);
    m_nIndexClosed = ReadIconNumber(text, g_szKeyIndexClosed, g_nLibraryIndexClosed);
    ReadIconFile(text, g_szKeyIconFileOpened, pszLibrary, m_szFileOpened);
    m_nIndexOpened = ReadIconNumber(text, g_szKeyIndexOpened, g_nLibraryIndexOpened);
    m_nAnimateLarge = ReadIconNumber(text, g_szKeyAnimateLarge, s_nDefaultAnimateLarge);
}

// The library's own file needs no judging, and a name the closed icon
// shares with the open one is judged once: the shell asks for every
// customized folder it shows.
static BOOL IsUsable(const WCHAR* pszFolder, const WCHAR* pszFile, const WCHAR* pszLibrary)
{
    return lstrcmpW(pszFile, pszLibrary) == 0 || MayUseIconFile(pszFolder, pszFile);
}

// A file the folder may not use answers as a missing one would, so the shell
// never opens it.
static void UseLibraryIcon(WCHAR* pszFile, int* pnIndex, const WCHAR* pszLibrary, int nLibraryIndex)
{
    lstrcpynW(pszFile, pszLibrary, MAX_PATH);
    *pnIndex = nLibraryIndex;
}

void CFolderIconHandler::RefuseUnusableFiles(const WCHAR* pszLibrary)
{
    BOOL bClosedUsable = IsUsable(m_szFolder, m_szFileClosed, pszLibrary);
    BOOL bOpenedUsable = lstrcmpW(m_szFileOpened, m_szFileClosed) == 0
                             ? bClosedUsable
                             : IsUsable(m_szFolder, m_szFileOpened, pszLibrary);
    if (!bClosedUsable)
        UseLibraryIcon(m_szFileClosed, &m_nIndexClosed, pszLibrary, g_nLibraryIndexClosed);
    if (!bOpenedUsable)
        UseLibraryIcon(m_szFileOpened, &m_nIndexOpened, pszLibrary, g_nLibraryIndexOpened);
}

// Only titles are compared: a window showing another folder of the same
// name counts too.
BOOL CFolderIconHandler::IsFolderWindowOpen() const
{
    if (FindWindowW(s_szFolderWindowClass, m_szFolder))
        return TRUE;
    const WCHAR* pszLastSlash = StrRChrW(m_szFolder, nullptr, L'\\');
    return pszLastSlash && FindWindowW(s_szFolderWindowClass, pszLastSlash + 1) != nullptr;
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

const WCHAR* CFolderIconHandler::Location(UINT uFlags, int* pnIndex) const
{
    BOOL bOpen = (uFlags & GIL_OPENICON) || (m_bFolderWindowOpen && m_nAnimateLarge);
    *pnIndex = bOpen ? m_nIndexOpened : m_nIndexClosed;
    return bOpen ? m_szFileOpened : m_szFileClosed;
}

static HRESULT AnswerIndex(int nIndex, int* piIndex, UINT* pwFlags)
{
    *piIndex = nIndex;
    if (pwFlags)
        *pwFlags = 0;
    return S_OK;
}

// A name that does not fit the caller's buffer fails the call and writes
// nothing: a cut name would point the shell at some other file.
STDMETHODIMP CFolderIconHandler::GetIconLocation(UINT uFlags, LPWSTR pszIconFile, UINT cchMax, int* piIndex,
                                                 UINT* pwFlags)
{
    if (!pszIconFile || !piIndex)
        return E_INVALIDARG;
    int nIndex = 0;
    const WCHAR* pszFile = Location(uFlags, &nIndex);
    if (static_cast<UINT>(lstrlenW(pszFile)) >= cchMax)
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    lstrcpyW(pszIconFile, pszFile);
    return AnswerIndex(nIndex, piIndex, pwFlags);
}

// A name that the code page cannot spell fails too: its best-fit or '?'
// form names another file.
STDMETHODIMP CFolderIconHandler::GetIconLocation(UINT uFlags, LPSTR pszIconFile, UINT cchMax, int* piIndex,
                                                 UINT* pwFlags)
{
    if (!pszIconFile || !piIndex)
        return E_INVALIDARG;
    int nIndex = 0;
    char szFile[MAX_PATH];
    if (!WidePathToAnsi(Location(uFlags, &nIndex), szFile))
        return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    if (static_cast<UINT>(lstrlenA(szFile)) >= cchMax)
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    lstrcpyA(pszIconFile, szFile);
    return AnswerIndex(nIndex, piIndex, pwFlags);
}

STDMETHODIMP CFolderIconHandler::Extract(LPCWSTR, UINT, HICON*, HICON*, UINT)
{
    return S_FALSE;
}

STDMETHODIMP CFolderIconHandler::Extract(LPCSTR, UINT, HICON*, HICON*, UINT)
{
    return S_FALSE;
}
