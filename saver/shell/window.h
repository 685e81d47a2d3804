#pragma once
// The saver window: its class, its procedure, and the flags that end a show.
#include <windows.h>

extern HWND main_window;
extern bool closing_requested;
extern bool show_finished;

extern const char saver_class_name[];

// The window, or none when the system would not make it.
HWND create_saver_window(int left, int top, int width, int height, HWND parent);
LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
