#pragma once
// On a primary monitor scaled above 100 % the full-screen show keeps the size
// it has at 96 DPI: each point becomes a square of whole pixels, so that it
// stays sharp.
#include <windows.h>

// The primary monitor's DPI as the system reports it to this program.
// Replaceable, so that a benchmark can run the show at another scale.
extern int (*primary_dpi_reader)();

// max(1, round(dpi / 96)), halves up, and never above 8: 150 % gives 2,
// 125 % gives 1.
int scale_for_dpi(int dpi);
int primary_monitor_scale();

// Sets this thread's DPI awareness to WINDOW's, where the system has the
// calls (Windows 10 1607 on).
void take_awareness_of(HWND window);
