#pragma once
// The off-screen bitmap every frame is drawn into before one copy to the
// window. Its bits are written directly, one point at a time; each point is
// a square of `scale` x `scale` pixels, so that on a high-resolution monitor
// the show keeps the size it has on a 96-DPI one. Only the part that changed
// since the last copy is copied again.
#include <windows.h>

struct Surface {
    // In points: the projection's units, whatever the scale.
    int centre_x;
    int centre_y;
    int width;
    int height;
    int scale;
    // Top-down rows of width x scale pixels, 0x00RRGGBB.
    DWORD* bits;
    DWORD background;
    // In points: what this frame lit so far, and what the last clear blanked
    // (the last frame's lit rectangle). Empty rectangles have right <= left.
    RECT lit;
    RECT cleared;
    // Where this frame's points begin in the bits, so that the next clear
    // blanks those pixels alone; past the capacity (or after a new bitmap)
    // the clear blanks the whole lit rectangle instead.
    static const int lit_capacity = 1024;
    int lit_offsets[lit_capacity];
    int lit_count;
    // The window shows something else than the surface (first frame,
    // exposure, new display): the next copy covers the whole area.
    bool whole_pending;
};

extern Surface surface;
extern HDC surface_dc;
extern HBITMAP surface_bitmap;
extern HPEN black_pen;
extern HBRUSH black_brush;
extern HPEN back_pen;
extern HBRUSH back_brush;

// Frees the surface made before, if any, first. False when the bitmap, its
// device context, a pen or a brush cannot be made: there is then nothing to
// draw with.
bool surface_create(Surface& s, HDC window_dc, int width, int height,
                    int centre_x, int centre_y, COLORREF background);
// Frees the bitmap, its device context, the pens and the brushes.
void surface_destroy(Surface& s);
// Makes each point SCALE x SCALE pixels: a new bitmap in the background
// colour, copied whole next time. Without the memory for that one, the
// largest that can be made above the scale it has.
void surface_set_scale(Surface& s, int scale);
// Blanks what the last frame lit; nothing else can differ from the background.
void surface_clear(Surface& s);
// Sets the point (X, Y); a point outside the surface is not drawn.
void surface_plot(Surface& s, int x, int y, COLORREF colour);
// Copies to DESTINATION, whose (X, Y) is the surface's top-left pixel, what
// changed since the last copy: the rectangles the last frame and this one lit.
void surface_present(Surface& s, HDC destination, int x, int y);
// The window lost what it showed: the next copy covers the whole surface.
void surface_expose(Surface& s);
// Size of the surface in pixels.
int surface_pixel_width(const Surface& s);
int surface_pixel_height(const Surface& s);
