#include "page/control_help.h"

#include "page/page_ids.h"

#include <commctrl.h>

namespace {

struct ControlHelp {
    int nId;
    const WCHAR* pszText;
};

// The remove square and its label share one sentence.
const ControlHelp c_aHelp[] = {
    {IDC_ICON_LIST, L"The folder's icon when it is closed, and when a window shows it. "
                    L"Double-click one to choose another."},
    {IDC_CHANGE, L"Chooses another icon for the selected state, from any program, library or icon file."},
    {IDC_DEFAULT, L"Gives both states the shell's own folder icons."},
    {IDC_ANIMATE_LARGE, L"Shows the open icon while a window of this folder is open."},
    {IDC_ALL_COLORS, L"Draws every icon with all possible colors from the next start of Windows. "
                     L"Only an administrator can change it."},
    {IDC_REMOVE, L"Takes this folder's own icons away at once."},
    {IDC_REMOVE_LABEL, L"Takes this folder's own icons away at once."},
    {IDC_PRODUCT_ICON, L"Folder icons: closed and open icons for any folder."},
};

// Long enough to read a sentence; any click on the page hides it sooner.
const UINT c_uShownMs = 10000;
const int c_cxMaxTip = 300;
const WCHAR c_szTipProperty[] = L"FolderIconsHelpTip";

const WCHAR* HelpText(HWND hControl)
{
    int nId = GetDlgCtrlID(hControl);
    for (const ControlHelp& help : c_aHelp) {
        if (help.nId == nId)
            return help.pszText;
    }
    return nullptr;
}

// One tracking tip per page, owned by it, so it goes with the sheet.
HWND PageTip(HWND hPage)
{
    HWND hTip = static_cast<HWND>(GetPropW(hPage, c_szTipProperty));
    if (hTip && IsWindow(hTip))
        return hTip;
    hTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hPage, nullptr,
                           nullptr, nullptr);
    if (!hTip)
        return nullptr;
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = hPage;
    tool.lpszText = const_cast<WCHAR*>(L"");
    SendMessageW(hTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(hTip, TTM_SETMAXTIPWIDTH, 0, c_cxMaxTip);
    SetPropW(hPage, c_szTipProperty, hTip);
    return hTip;
}

TTTOOLINFOW PageTool(HWND hPage, const WCHAR* pszText)
{
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = hPage;
    tool.lpszText = const_cast<WCHAR*>(pszText);
    return tool;
}

}

BOOL ShowControlHelp(HWND hPage, HWND hControl)
{
    const WCHAR* pszText = HelpText(hControl);
    HWND hTip = pszText ? PageTip(hPage) : nullptr;
    if (!hTip)
        return FALSE;
    TTTOOLINFOW tool = PageTool(hPage, pszText);
    SendMessageW(hTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(hTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    RECT rcControl;
    GetWindowRect(hControl, &rcControl);
    SendMessageW(hTip, TTM_TRACKPOSITION, 0, MAKELPARAM(rcControl.left, rcControl.bottom));
    SendMessageW(hTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    SetTimer(hPage, g_idHelpTimer, c_uShownMs, nullptr);
    return TRUE;
}

void HideControlHelp(HWND hPage)
{
    KillTimer(hPage, g_idHelpTimer);
    HWND hTip = static_cast<HWND>(GetPropW(hPage, c_szTipProperty));
    if (!hTip)
        return;
    TTTOOLINFOW tool = PageTool(hPage, nullptr);
    SendMessageW(hTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

void EndControlHelp(HWND hPage)
{
    KillTimer(hPage, g_idHelpTimer);
    HWND hTip = static_cast<HWND>(RemovePropW(hPage, c_szTipProperty));
    if (hTip)
        DestroyWindow(hTip);
}
