#include "shell/modes.h"

#include "scene/random.h"
#include "scene/scene.h"
#include "scene/surface.h"
#include "shell/about_box.h"
#include "shell/display_power.h"
#include "shell/display_scale.h"
#include "shell/show_loop.h"
#include "shell/virtual_screen.h"
#include "shell/window.h"

#include <cstdlib>

bool preview_mode;
HDC window_dc;

namespace {

char upper_ascii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The window's device context and the surface; false when either cannot be
// made. Without a window, GetDC would hand out the whole screen. What was
// made goes with the process, at once: a show that cannot draw ends there.
bool open_drawing(int width, int height, int centre_x, int centre_y)
{
    window_dc = GetDC(main_window);
    return window_dc
           && surface_create(surface, window_dc, width, height, centre_x, centre_y, 0);
}

}

SaverMode mode_from_argument(const char* argument)
{
    // The system's own "Configure" command starts a screen saver with no
    // argument at all.
    if (!argument || !argument[0])
        return mode_about;
    // "/c", "-c:1234" and "xc" all name their mode by the second character; a
    // lone character names it itself and keeps its case.
    char letter = argument[1] ? upper_ascii(argument[1]) : argument[0];
    if (letter == 'C')
        return mode_about;
    if (letter == 'P')
        return mode_preview;
    return mode_full_screen;
}

int read_decimal(const char* text)
{
    if (!text)
        return 0;
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    unsigned value = 0;
    while (*text >= '0' && *text <= '9')
        value = value * 10u + static_cast<unsigned>(*text++ - '0');
    return static_cast<int>(negative ? 0u - value : value);
}

int choose_mode()
{
    const char* first = __argc > 1 ? __argv[1] : "";
    switch (mode_from_argument(first)) {
    case mode_about:
        show_about_box();
        return 0;
    case mode_preview:
        return run_preview(reinterpret_cast<HWND>(
            static_cast<INT_PTR>(read_decimal(__argc > 2 ? __argv[2] : nullptr))));
    default:
        return run_full_screen();
    }
}

int run_preview(HWND parent)
{
    preview_mode = true;
    // Without a live parent there is nowhere to draw; a child window of
    // nothing would not even be created.
    if (!parent || !IsWindow(parent))
        return 0;
    // Windows may refuse a child whose DPI awareness is not its parent's,
    // and the settings need not share ours. The preview is never scaled: it
    // measures, makes and fills its window as its parent sees itself.
    take_awareness_of(parent);
    RECT area;
    GetWindowRect(parent, &area);
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    view_left = 0;
    view_top = 0;
    view_width = width;
    view_height = height;
    random_seed_from_clock();
    closing_requested = false;
    if (!create_saver_window(0, 0, width, height, parent)
        || !open_drawing(view_width, view_height, view_width / 2, view_height / 2))
        return show_failed;
    point_set_polar_param(camera, 200, 60, 40, 100);
    set_depth_range(150, 350);
    scene_start();
    watch_display_power();
    run_show_loop();
    stop_watching_display_power();
    return 0;
}

int run_full_screen()
{
    preview_mode = false;
    HWND previous_foreground = GetForegroundWindow();
    ShowCursor(FALSE);
    RECT screen = virtual_screen();
    random_seed_from_clock();
    closing_requested = false;
    if (!create_saver_window(screen.left, screen.top, screen.right - screen.left,
                             screen.bottom - screen.top, nullptr)
        || !open_drawing(600, 400, 300, 200)) {
        ShowCursor(TRUE);
        SetForegroundWindow(previous_foreground);
        return show_failed;
    }
    fit_drawn_area(screen);
    blank_window(screen);
    watch_display_power();
    point_set_polar_param(camera, 200, 60, 40, 200);
    set_depth_range(150, 350);
    scene_start();

    BOOL was_running = FALSE;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, TRUE, &was_running, 0);
    run_show_loop();
    stop_watching_display_power();
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, &was_running, 0);
    ShowCursor(TRUE);
    SetForegroundWindow(previous_foreground);
    return 0;
}
