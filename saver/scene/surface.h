#pragma once
// The off-screen bitmap every frame is drawn into before one copy to the window.
#include <windows.h>

struct Surface {
    int centre_x;
    int centre_y;
    int width;
    int height;
};

extern Surface surface;
extern HDC surface_dc;
extern HBITMAP surface_bitmap;
extern HPEN black_pen;
extern HBRUSH black_brush;
extern HPEN back_pen;
extern HBRUSH back_brush;

void surface_create(Surface& s, HDC window_dc, int width, int height,
                    int centre_x, int centre_y, COLORREF background);
void surface_clear(const Surface& s);
void surface_present(const Surface& s, HDC destination, int x, int y);
