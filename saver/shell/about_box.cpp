#include "shell/about_box.h"

void show_about_box()
{
    DialogBoxParamA(GetModuleHandleA(nullptr), "MyDlg", nullptr, about_dialog_proc, 0);
}

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_CLOSE:
        DestroyWindow(dialog);
        break;
    case WM_COMMAND:
        if (LOWORD(wparam) == about_ok_button)
            EndDialog(dialog, 1);
        break;
    }
    // Everything else, Esc's cancel command included, is left to the dialog
    // manager, so Esc does not close the box.
    return 0;
}
