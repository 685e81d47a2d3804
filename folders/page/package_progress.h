#pragma once
// The package's removal scan as the installer shows it: the folder being
// looked at and a bar in its progress dialog, its Cancel button, and a line
// in its log with what was cleared and what could not be.
#include "page/tree_scan.h"

#include <windows.h>

#include <msi.h>

class CPackageProgress final : public CScanObserver {
public:
    // Every cleared folder is also passed on to pNext.
    CPackageProgress(MSIHANDLE hInstall, CScanObserver* pNext);
    ~CPackageProgress();
    CPackageProgress(const CPackageProgress&) = delete;
    CPackageProgress& operator=(const CPackageProgress&) = delete;

    // The bar has a step for each drive and each folder directly below one.
    void Start(UINT cSteps);
    BOOL Entering(const WCHAR* pszDirectory) override;
    void Cleared(const WCHAR* pszFolder) override;
    void NotCleared(const WCHAR* pszFolder) override;
    // Writes the counts to the log.
    void Finish();
    BOOL Cancelled() const { return m_bCancelled; }

private:
    int Send(INSTALLMESSAGE eType, const WCHAR* pszTemplate, const WCHAR* const* apszTexts,
             const int* anNumbers, UINT cFields);
    void Answered(int nAnswer);

    MSIHANDLE m_hInstall;
    CScanObserver* m_pNext;
    HMODULE m_hInstaller;
    DWORD m_dwLastShown;
    UINT m_cCleared;
    UINT m_cNotCleared;
    BOOL m_bCancelled;
};
