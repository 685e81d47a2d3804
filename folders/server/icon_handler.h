#pragma once
// Tells the shell which icon a customized folder shows: the record's closed
// icon, or its open one while the shell asks for an open icon or (with
// "AnimateLarge" on) while a folder window shows the folder.
#include <windows.h>
#include <shlobj.h>

class CFolderIconHandler final : public IPersistFile, public IExtractIconW, public IExtractIconA {
public:
    static HRESULT Create(REFIID riid, void** ppv);

    // IUnknown, shared by the three parts
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPersistFile
    STDMETHODIMP GetClassID(CLSID* pClassID) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPCOLESTR pszFileName, DWORD dwMode) override;
    STDMETHODIMP Save(LPCOLESTR pszFileName, BOOL fRemember) override;
    STDMETHODIMP SaveCompleted(LPCOLESTR pszFileName) override;
    STDMETHODIMP GetCurFile(LPOLESTR* ppszFileName) override;

    // IExtractIconW, which the shell asks first
    STDMETHODIMP GetIconLocation(UINT uFlags, LPWSTR pszIconFile, UINT cchMax, int* piIndex,
                                 UINT* pwFlags) override;
    STDMETHODIMP Extract(LPCWSTR pszFile, UINT nIconIndex, HICON* phiconLarge, HICON* phiconSmall,
                         UINT nIconSize) override;

    // IExtractIconA: the same answers for names the system code page spells
    STDMETHODIMP GetIconLocation(UINT uFlags, LPSTR pszIconFile, UINT cchMax, int* piIndex,
                                 UINT* pwFlags) override;
    STDMETHODIMP Extract(LPCSTR pszFile, UINT nIconIndex, HICON* phiconLarge, HICON* phiconSmall,
                         UINT nIconSize) override;

private:
    CFolderIconHandler();
    ~CFolderIconHandler() = default;

    void UseDefaults(const WCHAR* pszLibrary);
    void ReadRecord(const WCHAR* pszLibrary);
    void RefuseUnusableFiles(const WCHAR* pszLibrary);
    BOOL IsFolderWindowOpen() const;
    // The file and index to show for the shell's flags: the open icon when
    // asked for, or while a folder window shows the folder.
    const WCHAR* Location(UINT uFlags, int* pnIndex) const;

    WCHAR m_szFolder[MAX_PATH];
    WCHAR m_szIniPath[MAX_PATH];
    WCHAR m_szFileClosed[MAX_PATH];
    int m_nIndexClosed;
    WCHAR m_szFileOpened[MAX_PATH];
    int m_nIndexOpened;
    BOOL m_bFolderWindowOpen;
    int m_nAnimateLarge;
    LONG m_cRef;
};
