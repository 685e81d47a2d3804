#include "server/prop_sheet_ext.h"

#include "page/icon_picker.h"
#include "page/page_ids.h"
#include "server/icon_origin.h"
#include "server/module.h"

#include <shellapi.h>

static const int s_iClosedRow = 0;
static const int s_iOpenRow = 1;

// A negative index names an icon resource by its identifier, -1 as well,
// as the shell reads it: ExtractIconW would answer the number of icons for
// -1, and 1 for a file that holds no icons at all.
static HICON ExtractOneIcon(const WCHAR* pszFile, int nIndex)
{
    if (nIndex < 0) {
        HICON hIcon = nullptr;
        UINT uId = 0;
        UINT cIcons = PrivateExtractIconsW(pszFile, nIndex, GetSystemMetrics(SM_CXICON),
                                           GetSystemMetrics(SM_CYICON), &hIcon, &uId, 1, 0);
        return cIcons == 1 ? hIcon : nullptr;
    }
    HICON hIcon = ExtractIconW(g_hInstance, pszFile, static_cast<UINT>(nIndex));
    return reinterpret_cast<UINT_PTR>(hIcon) > 1 ? hIcon : nullptr;
}

// A file the folder may not use is never opened, not even to be shown: the
// library's own icon for the row stands in for it, as the folder shows it.
// A usable file is opened by the name the shell would open, its environment
// strings expanded, into a MAX_PATH buffer.
static void UsableIcon(const WCHAR* pszFolder, int iRow, const WCHAR* pszFile, WCHAR* pszUsable, int* pnIndex)
{
    if (ExpandIconFileName(pszFile, pszUsable) && MayUseIconFile(pszFolder, pszUsable))
        return;
    GetModuleFileNameW(g_hInstance, pszUsable, MAX_PATH);
    *pnIndex = iRow == s_iClosedRow ? g_nLibraryIndexClosed : g_nLibraryIndexOpened;
}

// An icon that cannot be extracted leaves the image as it was; the image
// list keeps its own copy, so ours is destroyed at once.
void CIconPropSheetExt::PutIcon(int iImage, const WCHAR* pszFile, int nIndex)
{
    WCHAR szShown[MAX_PATH];
    UsableIcon(m_szFolder, iImage, pszFile, szShown, &nIndex);
    HICON hIcon = ExtractOneIcon(szShown, nIndex);
    if (!hIcon)
        return;
    ImageList_ReplaceIcon(m_hImageList, iImage, hIcon);
    DestroyIcon(hIcon);
}

static void InsertRow(HWND hList, int iRow, const char* pszText)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = iRow;
    item.pszText = const_cast<char*>(pszText);
    item.cchTextMax = 40;
    item.iImage = iRow;
    SendMessageA(hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// Both images exist from the start, blank until an icon is put there, so a
// closed icon that cannot be extracted never lets the open one slip into the
// "Closed" row.
void CIconPropSheetExt::FillIconList(HWND hPage)
{
    HWND hList = GetDlgItem(hPage, IDC_ICON_LIST);
    LONG lStyle = GetWindowLongA(hList, GWL_STYLE);
    SetWindowLongA(hList, GWL_STYLE, (lStyle & ~LVS_TYPEMASK) | LVS_ICON | LVS_SHOWSELALWAYS);
    ImageList_SetImageCount(m_hImageList, 2);
    PutIcon(s_iClosedRow, m_szFileClosed, m_nIndexClosed);
    PutIcon(s_iOpenRow, m_szFileOpened, m_nIndexOpened);
    SendMessageA(hList, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(m_hImageList));
    InsertRow(hList, s_iClosedRow, "Closed");
    InsertRow(hList, s_iOpenRow, "Open");
}

void CIconPropSheetExt::RefreshIconList(HWND hPage)
{
    HWND hList = GetDlgItem(hPage, IDC_ICON_LIST);
    PutIcon(s_iClosedRow, m_szFileClosed, m_nIndexClosed);
    PutIcon(s_iOpenRow, m_szFileOpened, m_nIndexOpened);
    SendMessageA(hList, LVM_UPDATE, s_iClosedRow, 0);
    SendMessageA(hList, LVM_UPDATE, s_iOpenRow, 0);
    InvalidateRgn(hList, nullptr, TRUE);
    UpdateWindow(hList);
}

// The picker opens the file it starts on: one the folder may not use starts
// it on the stand-in, and stays unless the user confirms a choice. The
// picker answers names such as "%SystemRoot%\System32\shell32.dll": the
// name is kept expanded, as the shell and the rule on icon files read it.
BOOL CIconPropSheetExt::PickRowIcon(HWND hPage, int iRow, WCHAR* pszFile, int* pnIndex)
{
    WCHAR szFile[MAX_PATH];
    int nIndex = *pnIndex;
    UsableIcon(m_szFolder, iRow, pszFile, szFile, &nIndex);
    WCHAR szExpanded[MAX_PATH];
    if (!PickIcon(hPage, szFile, &nIndex) || !ExpandIconFileName(szFile, szExpanded))
        return FALSE;
    lstrcpyW(pszFile, szExpanded);
    *pnIndex = nIndex;
    return TRUE;
}

BOOL CIconPropSheetExt::ChooseIconForSelection(HWND hPage)
{
    HWND hList = GetDlgItem(hPage, IDC_ICON_LIST);
    int iRow = static_cast<int>(SendMessageA(hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                             LVNI_SELECTED));
    BOOL bPicked = FALSE;
    if (iRow == s_iClosedRow)
        bPicked = PickRowIcon(hPage, iRow, m_szFileClosed, &m_nIndexClosed);
    else if (iRow == s_iOpenRow)
        bPicked = PickRowIcon(hPage, iRow, m_szFileOpened, &m_nIndexOpened);
    if (bPicked)
        SendMessageA(GetParent(hPage), PSM_CHANGED, reinterpret_cast<WPARAM>(hPage), 0);
    return bPicked;
}
