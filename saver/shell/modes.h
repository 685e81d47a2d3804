#pragma once
// The three ways the system starts a screen saver, and the two show modes.
#include <windows.h>

enum SaverMode { mode_about, mode_preview, mode_full_screen };

extern bool preview_mode;
extern HDC window_dc;

SaverMode mode_from_argument(const char* argument);
int read_decimal(const char* text);
void choose_mode();
void run_preview(HWND parent);
void run_full_screen();
