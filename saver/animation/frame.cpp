#include "animation/frame.h"

#include "scene/scene.h"
#include "scene/surface.h"
#include "shell/modes.h"
#include "shell/window.h"

int spin_theta = 2;
int spin_phi = -3;
real spin_change_chance = 0.02;
real figure_change_chance = 0.01;

void render_frame()
{
    PAINTSTRUCT paint;
    BeginPaint(main_window, &paint);
    if (closing_requested)
        show_finished = true;
    surface_clear(surface);
    surface_present(surface, window_dc, view_left, view_top);
    EndPaint(main_window, &paint);
}
