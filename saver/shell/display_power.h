#pragma once
// While the display is off (power saving, a closed lid) the show draws
// nothing and the animation stands still; it goes on at once when the
// display is on or dimmed again.
#include <windows.h>

extern bool display_off;
// Hidden and top-level, so that it hears the notice in either show mode: a
// child window, as the preview's is, may not be told.
extern HWND display_power_window;

// Makes the hidden window and asks the system to tell it when the display
// of this session turns off and on (where the system cannot tell, the
// console's display); the display counts as on until told otherwise.
void watch_display_power();
// Gives the request back and the window with it.
void stop_watching_display_power();
// Takes note of a WM_POWERBROADCAST notice.
void on_power_notice(WPARAM event, LPARAM data);
