#pragma once
// One frame of the show, drawn on the main thread whenever the display is due
// one.
#include "scene/points.h"

extern int spin_theta;
extern int spin_phi;
extern real spin_change_chance;
extern real figure_change_chance;

void render_frame();
void drift_camera_spin();
