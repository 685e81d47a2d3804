#pragma once
// Identifiers of the "Icon" page's template and controls, shared by the
// resource script and the code.
#define IDD_ICON_PAGE       132
#define IDI_PRODUCT         137
#define IDI_PAGE_TAB        139

#define IDC_ICON_LIST       1000
#define IDC_CHANGE          1001
#define IDC_DEFAULT         1002
#define IDC_PRODUCT_NAME    1003
#define IDC_ANIMATE_LARGE   1004
#define IDC_ALL_COLORS      1005
#define IDC_REMOVE          1006
#define IDC_PRODUCT_INFO    1010
#define IDC_PRODUCT_ICON    1016
#define IDC_REMOVE_LABEL    1026

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
