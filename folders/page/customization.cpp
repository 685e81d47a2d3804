#include "page/customization.h"

#include "server/record.h"

BOOL RemoveCustomization(const char* pszIniPath)
{
    WritePrivateProfileStringA(g_szSectionShell, g_szKeyClassId, nullptr, pszIniPath);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyIconFileClosed, nullptr, pszIniPath);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyIndexClosed, nullptr, pszIniPath);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyIconFileOpened, nullptr, pszIniPath);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyIndexOpened, nullptr, pszIniPath);
    WritePrivateProfileStringA(g_szSectionIcons, g_szKeyAnimateLarge, nullptr, pszIniPath);
    return TRUE;
}
