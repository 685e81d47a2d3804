#pragma once
// The About box the system shows when it asks for the saver's settings.
#include <windows.h>

const int about_ok_button = 5;

void show_about_box();
INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
