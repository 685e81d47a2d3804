#pragma once
// The three ways the system starts a screen saver, and the two show modes.
#include <windows.h>

enum SaverMode { mode_about, mode_preview, mode_full_screen };

extern bool preview_mode;
extern HDC window_dc;

// The process's exit code when a show could not have its window, the
// window's device context or the surface.
const int show_failed = 1;

SaverMode mode_from_argument(const char* argument);
int read_decimal(const char* text);
// Runs the mode the command line asks for; its result is the exit code.
int choose_mode();
int run_preview(HWND parent);
int run_full_screen();
