#include "page/package_progress.h"

#include <msiquery.h>

namespace {

typedef MSIHANDLE(WINAPI* PFNCREATERECORD)(UINT);
typedef UINT(WINAPI* PFNSETSTRING)(MSIHANDLE, UINT, LPCWSTR);
typedef UINT(WINAPI* PFNSETINTEGER)(MSIHANDLE, UINT, int);
typedef int(WINAPI* PFNPROCESSMESSAGE)(MSIHANDLE, INSTALLMESSAGE, MSIHANDLE);
typedef UINT(WINAPI* PFNCLOSEHANDLE)(MSIHANDLE);

// The progress message's first field: what the others mean.
const int c_nProgressReset = 0;
const int c_nProgressStep = 2;

// A folder shown in the dialog for at least this long; the drives and the
// folders directly below them are always shown, and asked about Cancel.
const DWORD c_dwShownMs = 100;

template <typename PFN>
PFN InstallerEntry(HMODULE hInstaller, LPCSTR pszName)
{
    FARPROC pfn = hInstaller ? GetProcAddress(hInstaller, pszName) : nullptr;
    return reinterpret_cast<PFN>(reinterpret_cast<void*>(pfn));
}

// "C:" is 0 deep, "C:\Users" 1.
int Depth(const WCHAR* pszDirectory)
{
    int nDepth = 0;
    for (const WCHAR* pch = pszDirectory; *pch; ++pch)
        nDepth += *pch == L'\\';
    return nDepth;
}

}

// The library is the shell's too: it reaches the installer's library only
// when the installer runs it, never by an import that every shell process
// would load.
CPackageProgress::CPackageProgress(MSIHANDLE hInstall, CScanObserver* pNext)
    : m_hInstall(hInstall), m_pNext(pNext), m_hInstaller(LoadLibraryW(L"msi.dll")), m_dwLastShown(0),
      m_cCleared(0), m_cNotCleared(0), m_bCancelled(FALSE)
{
}

CPackageProgress::~CPackageProgress()
{
    if (m_hInstaller)
        FreeLibrary(m_hInstaller);
}

// Sends one message of a template and its fields: texts, or whole numbers.
int CPackageProgress::Send(INSTALLMESSAGE eType, const WCHAR* pszTemplate, const WCHAR* const* apszTexts,
                           const int* anNumbers, UINT cFields)
{
    PFNCREATERECORD pfnCreate = InstallerEntry<PFNCREATERECORD>(m_hInstaller, "MsiCreateRecord");
    PFNSETSTRING pfnSetString = InstallerEntry<PFNSETSTRING>(m_hInstaller, "MsiRecordSetStringW");
    PFNSETINTEGER pfnSetInteger = InstallerEntry<PFNSETINTEGER>(m_hInstaller, "MsiRecordSetInteger");
    PFNPROCESSMESSAGE pfnProcess = InstallerEntry<PFNPROCESSMESSAGE>(m_hInstaller, "MsiProcessMessage");
    PFNCLOSEHANDLE pfnClose = InstallerEntry<PFNCLOSEHANDLE>(m_hInstaller, "MsiCloseHandle");
    if (!pfnCreate || !pfnSetString || !pfnSetInteger || !pfnProcess || !pfnClose)
        return 0;
    MSIHANDLE hRecord = pfnCreate(cFields);
    if (!hRecord)
        return 0;
    if (pszTemplate)
        pfnSetString(hRecord, 0, pszTemplate);
    for (UINT i = 0; i < cFields; ++i) {
        if (apszTexts)
            pfnSetString(hRecord, i + 1, apszTexts[i]);
        else
            pfnSetInteger(hRecord, i + 1, anNumbers[i]);
    }
    int nAnswer = pfnProcess(m_hInstall, eType, hRecord);
    pfnClose(hRecord);
    return nAnswer;
}

void CPackageProgress::Answered(int nAnswer)
{
    if (nAnswer == IDCANCEL)
        m_bCancelled = TRUE;
}

void CPackageProgress::Start(UINT cSteps)
{
    const int anReset[] = {c_nProgressReset, static_cast<int>(cSteps), 0, 0};
    Send(INSTALLMESSAGE_PROGRESS, nullptr, nullptr, anReset, 4);
    // The action, its description, and the template of each folder's line.
    const WCHAR* const apszAction[] = {L"ClearFolders", L"Clearing the folders' icons", L"Looking in [1]"};
    Answered(Send(INSTALLMESSAGE_ACTIONSTART, nullptr, apszAction, nullptr, 3));
}

BOOL CPackageProgress::Entering(const WCHAR* pszDirectory)
{
    if (m_bCancelled)
        return FALSE;
    BOOL bStep = Depth(pszDirectory) <= 1;
    DWORD dwNow = GetTickCount();
    if (bStep || dwNow - m_dwLastShown >= c_dwShownMs) {
        m_dwLastShown = dwNow;
        Answered(Send(INSTALLMESSAGE_ACTIONDATA, nullptr, &pszDirectory, nullptr, 1));
    }
    if (bStep && !m_bCancelled) {
        const int anStep[] = {c_nProgressStep, 1, 0, 0};
        Answered(Send(INSTALLMESSAGE_PROGRESS, nullptr, nullptr, anStep, 4));
    }
    return !m_bCancelled;
}

void CPackageProgress::Cleared(const WCHAR* pszFolder)
{
    ++m_cCleared;
    m_pNext->Cleared(pszFolder);
}

void CPackageProgress::NotCleared(const WCHAR* pszFolder)
{
    ++m_cNotCleared;
    Send(INSTALLMESSAGE_INFO, L"Folder icons: could not clear [1]", &pszFolder, nullptr, 1);
    m_pNext->NotCleared(pszFolder);
}

void CPackageProgress::Finish()
{
    const int anCounts[] = {static_cast<int>(m_cCleared), static_cast<int>(m_cNotCleared)};
    const WCHAR* pszTemplate = m_bCancelled
        ? L"Folder icons: [1] folders cleared, [2] could not be cleared; the search was cancelled."
        : L"Folder icons: [1] folders cleared, [2] could not be cleared.";
    Send(INSTALLMESSAGE_INFO, pszTemplate, nullptr, anCounts, 2);
}
