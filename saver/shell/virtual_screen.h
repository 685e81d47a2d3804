#pragma once
// The full-screen show covers every monitor: its window spans the virtual
// screen, black but for the drawn area, which stays centred on the primary
// monitor whatever lies around it.
#include <windows.h>

// The bounding rectangle of all monitors, in screen coordinates; the primary
// monitor's top-left corner is (0, 0), so others may lie at negative ones.
RECT virtual_screen();
// Centres the drawn area on the primary monitor, in the client coordinates of
// a window that covers SCREEN.
void place_drawn_area(const RECT& screen);
// Scales the drawn area for the primary monitor's DPI and centres it there.
void fit_drawn_area(const RECT& screen);
// Paints the whole window covering SCREEN black; the frames only ever draw
// the drawn area.
void blank_window(const RECT& screen);
// Follows a change of display layout or DPI: the window grows or shrinks to
// the new virtual screen and the drawn area is scaled and placed again.
void cover_virtual_screen();
