#include "scene/surface.h"

Surface surface;
HDC surface_dc;
HBITMAP surface_bitmap;
HPEN black_pen;
HBRUSH black_brush;
HPEN back_pen;
HBRUSH back_brush;

void surface_create(Surface& s, HDC window_dc, int width, int height,
                    int centre_x, int centre_y, COLORREF background)
{
    surface_dc = CreateCompatibleDC(window_dc);
    surface_bitmap = CreateCompatibleBitmap(window_dc, width, height);
    black_pen = CreatePen(PS_SOLID, 1, 0);
    back_pen = CreatePen(PS_SOLID, 1, background);
    black_brush = CreateSolidBrush(0);
    back_brush = CreateSolidBrush(background);
    SelectObject(surface_dc, surface_bitmap);
    SelectObject(surface_dc, black_brush);
    s.width = width;
    s.height = height;
    // The centre is the caller's: preview passes size div 2, which is not
    // always the exact middle of an odd-sized window.
    s.centre_x = centre_x;
    s.centre_y = centre_y;
}

void surface_clear(const Surface& s)
{
    SelectObject(surface_dc, back_brush);
    SelectObject(surface_dc, back_pen);
    Rectangle(surface_dc, 0, 0, s.width, s.height);
}

void surface_present(const Surface& s, HDC destination, int x, int y)
{
    BitBlt(destination, x, y, s.width, s.height, surface_dc, 0, 0, SRCCOPY);
}
