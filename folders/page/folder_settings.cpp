#include "server/prop_sheet_ext.h"

#include "page/text_values.h"
#include "page/window_metrics.h"
#include "server/record.h"

// The shell draws icons with all possible colours from this depth on.
static const int s_nAllColorsBpp = 16;

// FALSE when the shell keeps no colour depth we can read.
static BOOL ReadAllColors(BOOL* pbAllColors)
{
    *pbAllColors = FALSE;
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_USERS, g_szWindowMetricsKey, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return FALSE;
    char szBpp[32];
    BOOL bRead = QueryValueText(hKey, g_szShellIconBppValue, szBpp, sizeof szBpp);
    RegCloseKey(hKey);
    if (bRead)
        *pbAllColors = ParseDecimal(szBpp) >= s_nAllColorsBpp;
    return bRead;
}

// A name too long to read whole stays empty: its row shows no icon, and
// Apply leaves the record's own value alone.
BOOL CIconPropSheetExt::LoadFolderSettings()
{
    ReadIconFileName(g_szKeyIconFileClosed, m_szDefaultFileClosed, m_szFileClosed, m_szIniPath);
    m_nIndexClosed = static_cast<int>(GetPrivateProfileIntW(
        g_szSectionIcons, g_szKeyIndexClosed, m_nDefaultIndexClosed, m_szIniPath));
    ReadIconFileName(g_szKeyIconFileOpened, m_szDefaultFileOpened, m_szFileOpened, m_szIniPath);
    m_nIndexOpened = static_cast<int>(GetPrivateProfileIntW(
        g_szSectionIcons, g_szKeyIndexOpened, m_nDefaultIndexOpened, m_szIniPath));
    m_nAnimateLarge =
        static_cast<int>(GetPrivateProfileIntW(g_szSectionIcons, g_szKeyAnimateLarge, 1, m_szIniPath));
    return ReadAllColors(&m_bAllColors);
}

void CIconPropSheetExt::UseDefaultIcons()
{
    lstrcpyW(m_szFileClosed, m_szDefaultFileClosed);
    m_nIndexClosed = m_nDefaultIndexClosed;
    lstrcpyW(m_szFileOpened, m_szDefaultFileOpened);
    m_nIndexOpened = m_nDefaultIndexOpened;
}
