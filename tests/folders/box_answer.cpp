#include "folders/box_answer.h"

#include <windows.h>

#include <cstring>

namespace {

BOOL CALLBACK match_uninstall_box(HWND window, LPARAM lparam)
{
    char class_name[16], caption[32];
    if (IsWindowVisible(window) && GetClassNameA(window, class_name, sizeof class_name)
        && std::strcmp(class_name, "#32770") == 0 && GetWindowTextA(window, caption, sizeof caption)
        && std::strcmp(caption, "Uninstall") == 0) {
        *reinterpret_cast<HWND*>(lparam) = window;
        return FALSE;
    }
    return TRUE;
}

}

bool answer_uninstall_box(std::string* text)
{
    HWND box = nullptr;
    EnumWindows(match_uninstall_box, reinterpret_cast<LPARAM>(&box));
    if (!box)
        return false;
    char buffer[512] = {};
    GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
    *text = buffer;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    // The box takes a moment to go; do not answer it twice.
    for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i)
        Sleep(20);
    return true;
}
