#include "page/page_dlg.h"

#include "page/control_help.h"
#include "page/customization.h"
#include "page/page_ids.h"
#include "server/prop_sheet_ext.h"

#include <windowsx.h>

static const char s_szProductName[] = "Nimbrel Shell extension ver 1.0";
static const char s_szProductInfo[] = "Closed and open icons for any folder";
static const char s_szNotRemovedText[] = "The folder's Desktop.ini could not be changed; its icons stay.";
static const char s_szNotRemovedCaption[] = "Remove customization";
static const char s_szNotAppliedText[] = "The folder's Desktop.ini could not be written; its icons were not changed.";
static const char s_szNotAppliedCaption[] = "Apply customization";
static const char s_szColorsNotStoredText[] =
    "The icon colors could not be set: only an administrator can change them.";
static const char s_szUnsafeFormText[] =
    "The folder's Desktop.ini is in a form this page cannot change safely; nothing was changed.";
static const char s_szChangedMeanwhileText[] =
    "Another program changed the folder's Desktop.ini at the same time; nothing was changed. Try again.";
static const char s_szLinkText[] =
    "The folder's Desktop.ini is a link to another file, or the folder was replaced; nothing was changed.";

static CIconPropSheetExt* PageState(HWND hPage)
{
    LPPROPSHEETPAGEA pPage = reinterpret_cast<LPPROPSHEETPAGEA>(GetWindowLongPtrA(hPage, DWLP_USER));
    return pPage ? reinterpret_cast<CIconPropSheetExt*>(pPage->lParam) : nullptr;
}

static void SendToSheet(HWND hPage, UINT uMsg, WPARAM wParam)
{
    SendMessageA(GetParent(hPage), uMsg, wParam, 0);
}

static INT_PTR OnInitDialog(HWND hPage, LPPROPSHEETPAGEA pPage)
{
    SetWindowLongPtrA(hPage, DWLP_USER, reinterpret_cast<LONG_PTR>(pPage));
    CIconPropSheetExt* pExt = reinterpret_cast<CIconPropSheetExt*>(pPage->lParam);
    SetDlgItemTextA(hPage, IDC_PRODUCT_NAME, s_szProductName);
    SetDlgItemTextA(hPage, IDC_PRODUCT_INFO, s_szProductInfo);
    pExt->LoadFolderSettings();
    CheckDlgButton(hPage, IDC_ANIMATE_LARGE, pExt->m_nAnimateLarge ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hPage, IDC_ALL_COLORS, pExt->m_bAllColors ? BST_CHECKED : BST_UNCHECKED);
    // The page promises only what it can keep: an account that may not
    // change the system's default settings cannot change the colors.
    EnableWindow(GetDlgItem(hPage, IDC_ALL_COLORS), CanStoreAllColors());
    pExt->FillIconList(hPage);
    return TRUE;
}

// A record that cannot be read exactly, one that other programs kept
// writing and a link have sentences of their own.
static void ReportUnchanged(HWND hPage, const char* pszText, const char* pszCaption)
{
    DWORD dwError = GetLastError();
    const char* pszWhy = dwError == ERROR_INVALID_DATA            ? s_szUnsafeFormText
                         : dwError == ERROR_FILE_INVALID          ? s_szChangedMeanwhileText
                         : dwError == ERROR_CANT_RESOLVE_FILENAME ? s_szLinkText
                                                                  : pszText;
    MessageBoxA(hPage, pszWhy, pszCaption, MB_OK | MB_ICONWARNING);
}

// The rights to the colors can go while the page is open; the rest of the
// change stands, and the box no longer offers what cannot be stored.
static void ReportColorsNotStored(HWND hPage, const CIconPropSheetExt* pExt)
{
    HWND hBox = GetDlgItem(hPage, IDC_ALL_COLORS);
    if (pExt->m_bAllColorsStored || !IsWindowEnabled(hBox))
        return;
    EnableWindow(hBox, FALSE);
    MessageBoxA(hPage, s_szColorsNotStoredText, s_szNotAppliedCaption, MB_OK | MB_ICONWARNING);
}

static INT_PTR SetNotifyResult(HWND hPage, LONG_PTR lResult)
{
    SetWindowLongPtrA(hPage, DWLP_MSGRESULT, lResult);
    return TRUE;
}

// Apply writes only what is left to write after a removal (the colours, a
// setting of the system's), but the shell hears about the folder either
// way. A record that could not be written is reported and the change stays
// pending: the sheet stays open on OK, and the shell hears of no change.
static INT_PTR OnApply(HWND hPage, CIconPropSheetExt* pExt)
{
    if (pExt->m_bRemoved && pExt->m_bAllColorsChanged) {
        pExt->StoreAllColors();
        ReportColorsNotStored(hPage, pExt);
    } else if (!pExt->m_bRemoved && pExt->m_bChanged) {
        if (!pExt->ApplyCustomization()) {
            ReportUnchanged(hPage, s_szNotAppliedText, s_szNotAppliedCaption);
            return SetNotifyResult(hPage, PSNRET_INVALID_NOCHANGEPAGE);
        }
        ReportColorsNotStored(hPage, pExt);
    }
    SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHW | SHCNF_FLUSHNOWAIT, pExt->m_szFolder, nullptr);
    return SetNotifyResult(hPage, PSNRET_NOERROR);
}

// A new choice of icons customizes the folder again after a removal.
static void IconsChosen(HWND hPage, CIconPropSheetExt* pExt)
{
    pExt->m_bRemoved = FALSE;
    pExt->m_bChanged = TRUE;
    EnableWindow(GetDlgItem(hPage, IDC_ANIMATE_LARGE), TRUE);
}

// Only a confirmed pick counts: one cancelled, or no row selected, changes
// nothing (a removal stays a removal).
static INT_PTR OnPickIcon(HWND hPage, CIconPropSheetExt* pExt)
{
    if (pExt->ChooseIconForSelection(hPage))
        IconsChosen(hPage, pExt);
    pExt->RefreshIconList(hPage);
    return TRUE;
}

static INT_PTR OnNotify(HWND hPage, CIconPropSheetExt* pExt, const NMHDR* pHeader)
{
    switch (pHeader->code) {
    case PSN_APPLY:
        return OnApply(hPage, pExt);
    case PSN_SETACTIVE:
        return TRUE;
    case NM_DBLCLK:
        return OnPickIcon(hPage, pExt);
    default:
        return FALSE;
    }
}

// Help for the control the request is about; the page's own background
// has none.
static INT_PTR OnHelp(HWND hPage, const HELPINFO* pHelp)
{
    if (pHelp->iContextType == HELPINFO_WINDOW)
        ShowControlHelp(hPage, static_cast<HWND>(pHelp->hItemHandle));
    return TRUE;
}

// A disabled control gets no clicks: the page does, with the point, and
// finds the control there (the greyed colour box says why it is greyed).
static INT_PTR OnContextMenu(HWND hPage, HWND hWindow, LPARAM lPoint)
{
    if (hWindow == hPage && lPoint != -1) {
        POINT pt = {GET_X_LPARAM(lPoint), GET_Y_LPARAM(lPoint)};
        ScreenToClient(hPage, &pt);
        HWND hChild = ChildWindowFromPointEx(hPage, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (hChild)
            hWindow = hChild;
    }
    ShowControlHelp(hPage, hWindow);
    return TRUE;
}

static INT_PTR OnDefault(HWND hPage, CIconPropSheetExt* pExt)
{
    pExt->UseDefaultIcons();
    SendToSheet(hPage, PSM_CHANGED, reinterpret_cast<WPARAM>(hPage));
    pExt->RefreshIconList(hPage);
    IconsChosen(hPage, pExt);
    return TRUE;
}

static INT_PTR OnAnimateLarge(HWND hPage, CIconPropSheetExt* pExt)
{
    pExt->m_nAnimateLarge = IsDlgButtonChecked(hPage, IDC_ANIMATE_LARGE) == BST_CHECKED;
    pExt->m_bChanged = TRUE;
    return TRUE;
}

static INT_PTR OnAllColors(HWND hPage, CIconPropSheetExt* pExt)
{
    pExt->m_bAllColors = IsDlgButtonChecked(hPage, IDC_ALL_COLORS) == BST_CHECKED;
    pExt->m_bAllColorsChanged = TRUE;
    MessageBoxA(hPage, "This change will take effect after Windows restart", "Information",
                MB_OK | MB_ICONINFORMATION);
    pExt->m_bChanged = TRUE;
    return TRUE;
}

// The removal takes effect at once; Cancel can no longer undo it, so it
// becomes Close. A record that could not be changed is not shown as
// removed: the page keeps its state and says so. "Animate large icon"
// belongs to the customization and is offered again with new icons.
static INT_PTR OnRemove(HWND hPage, CIconPropSheetExt* pExt)
{
    if (!RemoveCustomization(pExt->m_szIniPath)) {
        ReportUnchanged(hPage, s_szNotRemovedText, s_szNotRemovedCaption);
        return TRUE;
    }
    pExt->UseDefaultIcons();
    pExt->m_bRemoved = TRUE;
    EnableWindow(GetDlgItem(hPage, IDC_ANIMATE_LARGE), FALSE);
    SendToSheet(hPage, PSM_CANCELTOCLOSE, 0);
    pExt->RefreshIconList(hPage);
    pExt->m_bChanged = TRUE;
    return TRUE;
}

static INT_PTR OnCommand(HWND hPage, CIconPropSheetExt* pExt, WORD wId)
{
    switch (wId) {
    case IDC_CHANGE:
        return OnPickIcon(hPage, pExt);
    case IDC_DEFAULT:
        return OnDefault(hPage, pExt);
    case IDC_ANIMATE_LARGE:
        return OnAnimateLarge(hPage, pExt);
    case IDC_ALL_COLORS:
        return OnAllColors(hPage, pExt);
    case IDC_REMOVE:
        return OnRemove(hPage, pExt);
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK PageDlgProc(HWND hPage, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG)
        return OnInitDialog(hPage, reinterpret_cast<LPPROPSHEETPAGEA>(lParam));
    CIconPropSheetExt* pExt = PageState(hPage);
    if (!pExt)
        return FALSE;
    switch (uMsg) {
    case WM_NOTIFY:
        return OnNotify(hPage, pExt, reinterpret_cast<const NMHDR*>(lParam));
    case WM_HELP:
        return OnHelp(hPage, reinterpret_cast<const HELPINFO*>(lParam));
    case WM_CONTEXTMENU:
        return OnContextMenu(hPage, reinterpret_cast<HWND>(wParam), lParam);
    case WM_COMMAND:
        HideControlHelp(hPage);
        return OnCommand(hPage, pExt, LOWORD(wParam));
    case WM_TIMER:
        if (wParam != g_idHelpTimer)
            return FALSE;
        HideControlHelp(hPage);
        return TRUE;
    case WM_DESTROY:
        EndControlHelp(hPage);
        return FALSE;
    default:
        return FALSE;
    }
}
