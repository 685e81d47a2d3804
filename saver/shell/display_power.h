#pragma once
// While the display is off (power saving, a closed lid) the full-screen show
// draws nothing and the animation stands still; it goes on at once when the
// display is on or dimmed again.
#include <windows.h>

extern bool display_off;

// Asks the system to tell WINDOW when the display turns off and on.
void watch_display_power(HWND window);
// Takes note of a WM_POWERBROADCAST notice.
void on_power_notice(WPARAM event, LPARAM data);
