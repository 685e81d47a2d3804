#include "scene/surface.h"

Surface surface;
HDC surface_dc;
HBITMAP surface_bitmap;
HPEN black_pen;
HBRUSH black_brush;
HPEN back_pen;
HBRUSH back_brush;

namespace {

// Colour references hold red in the low byte; the bitmap's pixels blue.
DWORD pixel_of(COLORREF colour)
{
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

void fill_pixels(const Surface& s, const RECT& area)
{
    int stride = surface_pixel_width(s);
    for (int y = area.top * s.scale; y < area.bottom * s.scale; ++y) {
        DWORD* row = s.bits + static_cast<size_t>(y) * stride;
        for (int x = area.left * s.scale; x < area.right * s.scale; ++x)
            row[x] = s.background;
    }
}

// A point's square of scale x scale pixels, from its top-left one.
void fill_square(const Surface& s, DWORD* first, DWORD pixel)
{
    int stride = surface_pixel_width(s);
    for (int i = 0; i < s.scale; ++i, first += stride)
        for (int j = 0; j < s.scale; ++j)
            first[j] = pixel;
}

void blank_lit(const Surface& s)
{
    if (s.lit_count > Surface::lit_capacity) {
        fill_pixels(s, s.lit);
        return;
    }
    for (int i = 0; i < s.lit_count; ++i)
        fill_square(s, s.bits + s.lit_offsets[i], s.background);
}

void add_point(RECT& area, int x, int y)
{
    if (area.right <= area.left) {
        SetRect(&area, x, y, x + 1, y + 1);
        return;
    }
    if (x < area.left)
        area.left = x;
    if (x >= area.right)
        area.right = x + 1;
    if (y < area.top)
        area.top = y;
    if (y >= area.bottom)
        area.bottom = y + 1;
}

// Top-down, 32 bits a pixel: a point's colour is one word of the bits.
HBITMAP new_bitmap(int width, int height, void** bits)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(surface_dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

void copy_area(const Surface& s, HDC destination, int x, int y, const RECT& area)
{
    int k = s.scale;
    BitBlt(destination, x + area.left * k, y + area.top * k, (area.right - area.left) * k,
           (area.bottom - area.top) * k, surface_dc, area.left * k, area.top * k, SRCCOPY);
}

// A bitmap of SCALE, selected in place of the one the surface has.
bool replace_bitmap(Surface& s, int scale)
{
    void* bits = nullptr;
    HBITMAP bitmap = new_bitmap(s.width * scale, s.height * scale, &bits);
    if (!bitmap)
        return false;
    SelectObject(surface_dc, bitmap);
    if (surface_bitmap)
        DeleteObject(surface_bitmap);
    surface_bitmap = bitmap;
    s.scale = scale;
    s.bits = static_cast<DWORD*>(bits);
    return true;
}

}

bool surface_create(Surface& s, HDC window_dc, int width, int height,
                    int centre_x, int centre_y, COLORREF background)
{
    surface_destroy(s);
    surface_dc = CreateCompatibleDC(window_dc);
    black_pen = CreatePen(PS_SOLID, 1, 0);
    back_pen = CreatePen(PS_SOLID, 1, background);
    black_brush = CreateSolidBrush(0);
    back_brush = CreateSolidBrush(background);
    SelectObject(surface_dc, black_brush);
    s.width = width;
    s.height = height;
    // The centre is the caller's: preview passes size div 2, which is not
    // always the exact middle of an odd-sized window.
    s.centre_x = centre_x;
    s.centre_y = centre_y;
    s.background = pixel_of(background);
    s.scale = 0;
    surface_set_scale(s, 1);
    return surface_dc && surface_bitmap && black_pen && back_pen && black_brush && back_brush;
}

void surface_destroy(Surface& s)
{
    // The context goes first: a bitmap still selected into one is not freed.
    if (surface_dc)
        DeleteDC(surface_dc);
    surface_dc = nullptr;
    HGDIOBJ objects[] = {surface_bitmap, black_pen, back_pen, black_brush, back_brush};
    for (HGDIOBJ object : objects)
        if (object)
            DeleteObject(object);
    surface_bitmap = nullptr;
    black_pen = back_pen = nullptr;
    black_brush = back_brush = nullptr;
    s.bits = nullptr;
    s.scale = 0;
}

void surface_set_scale(Surface& s, int scale)
{
    if (scale == s.scale && surface_bitmap)
        return;
    // Below what was asked, the largest bitmap that can be made; and the one
    // the surface has rather than none.
    int lowest = scale < s.scale || !surface_bitmap ? 1 : s.scale + 1;
    while (scale >= lowest && !replace_bitmap(s, scale))
        --scale;
    if (scale < lowest)
        return;
    SetRect(&s.lit, 0, 0, s.width, s.height);
    s.lit_count = Surface::lit_capacity + 1;
    surface_clear(s);
    surface_expose(s);
}

void surface_clear(Surface& s)
{
    // The last copy may still be reading the bits.
    GdiFlush();
    if (s.bits)
        blank_lit(s);
    s.cleared = s.lit;
    SetRectEmpty(&s.lit);
    s.lit_count = 0;
}

void surface_plot(Surface& s, int x, int y, COLORREF colour)
{
    if (!s.bits || x < 0 || y < 0 || x >= s.width || y >= s.height)
        return;
    add_point(s.lit, x, y);
    int offset = y * s.scale * surface_pixel_width(s) + x * s.scale;
    if (s.lit_count < Surface::lit_capacity)
        s.lit_offsets[s.lit_count] = offset;
    if (s.lit_count <= Surface::lit_capacity)
        ++s.lit_count;
    fill_square(s, s.bits + offset, pixel_of(colour));
}

void surface_present(Surface& s, HDC destination, int x, int y)
{
    RECT area;
    if (s.whole_pending)
        SetRect(&area, 0, 0, s.width, s.height);
    else
        UnionRect(&area, &s.lit, &s.cleared);
    s.whole_pending = false;
    if (!IsRectEmpty(&area))
        copy_area(s, destination, x, y, area);
}

void surface_expose(Surface& s)
{
    s.whole_pending = true;
}

int surface_pixel_width(const Surface& s)
{
    return s.width * s.scale;
}

int surface_pixel_height(const Surface& s)
{
    return s.height * s.scale;
}
