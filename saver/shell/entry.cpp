#include "scene/points.h"
#include "scene/scene.h"
#include "shell/modes.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    build_trig_tables();
    set_depth_range(depth_near, depth_far);
    return choose_mode();
}
