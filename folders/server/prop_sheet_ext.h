#pragma once
// The property-sheet extension: offers the "Icon" page for one free folder and
// then serves as that page's state for as long as the page lives.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

class CRecordChange;

class CIconPropSheetExt final : public IShellExtInit, public IShellPropSheetExt {
public:
    CIconPropSheetExt();
    // The class factory's way in: construct, hand out RIID, let go.
    static HRESULT Create(REFIID riid, void** ppv);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* pDataObject,
                            HKEY hkeyProgId) override;

    STDMETHODIMP AddPages(LPFNSVADDPROPSHEETPAGE pfnAddPage, LPARAM lParam) override;
    STDMETHODIMP ReplacePage(EXPPS uPageId,
                             LPFNSVADDPROPSHEETPAGE pfnReplaceWith, LPARAM lParam) override;

    // The page's steps (folders/page/).
    BOOL LoadDefaultFolderIcons();
    BOOL LoadFolderSettings();
    void FillIconList(HWND hPage);
    void RefreshIconList(HWND hPage);
    // TRUE when the user chose an icon for the selected row; a cancelled
    // pick, or no selection, changes nothing.
    BOOL ChooseIconForSelection(HWND hPage);
    // FALSE, with nothing changed and the reason as the last error, when
    // the record or the folder could not be written; ERROR_INVALID_DATA for
    // a record that cannot be read exactly, ERROR_FILE_INVALID for one that
    // other programs kept writing or that names another class by then,
    // ERROR_CANT_RESOLVE_FILENAME for a link. The colour depth is stored
    // along with a written record, where the account may.
    BOOL ApplyCustomization();
    // Stores the colour depth alone (m_bAllColorsStored tells how it went).
    void StoreAllColors();
    void UseDefaultIcons();

    // The page's state, read and changed by its dialog procedure.
    HIMAGELIST m_hImageList;
    BOOL m_bChanged;
    BOOL m_bRemoved;
    int m_nAnimateLarge;
    BOOL m_bAllColors;
    BOOL m_bAllColorsStored;   // by the last Apply that wrote the record
    BOOL m_bAllColorsChanged;  // the user changed the colour box

private:
    ~CIconPropSheetExt() = default;
    BOOL SelectSingleFolder();
    HRESULT OfferPage(LPFNSVADDPROPSHEETPAGE pfnAddPage, LPARAM lParam);
    void PutIcon(int iImage, const WCHAR* pszFile, int nIndex);
    BOOL PickRowIcon(HWND hPage, int iRow, WCHAR* pszFile, int* pnIndex);
    BOOL WriteRecord(CRecordChange* pChange) const;
    BOOL WriteCustomization(CRecordChange* pChange);

    LONG m_cRef;
    IDataObject* m_pDataObject;

public:
    // Paths and file names in wide text: a folder or icon file may have any
    // name. An empty icon file name stands for one the record holds that
    // was too long to read.
    WCHAR m_szDefaultFileClosed[MAX_PATH];
    int m_nDefaultIndexClosed;
    WCHAR m_szDefaultFileOpened[MAX_PATH];
    int m_nDefaultIndexOpened;
    WCHAR m_szFolder[MAX_PATH];
    WCHAR m_szIniPath[MAX_PATH];
    WCHAR m_szFileClosed[MAX_PATH];
    int m_nIndexClosed;
    WCHAR m_szFileOpened[MAX_PATH];
    int m_nIndexOpened;
};

// The page's release callback: gives back the reference the page held.
UINT CALLBACK PageCallback(HWND hWnd, UINT uMsg, LPPROPSHEETPAGEA ppsp);
