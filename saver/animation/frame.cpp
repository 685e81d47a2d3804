#include "animation/frame.h"

#include "animation/closing.h"
#include "animation/closing_sound.h"
#include "animation/figures.h"
#include "animation/projection.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "scene/surface.h"
#include "shell/modes.h"
#include "shell/window.h"

int spin_theta = 2;
int spin_phi = -3;
real spin_change_chance = 0.02;
real figure_change_chance = 0.01;

namespace {

bool chance(real c)
{
    return random_real() < c;
}

void spin_camera()
{
    point_rotate_theta(camera, spin_theta);
    point_rotate_phi(camera, spin_phi);
}

// One degree either way; a spin that would reach 7 bounces back to 5, so the
// camera never turns faster than 6 degrees a frame.
void step_spin(int& spin)
{
    spin += 2 * random_int(2) - 1;
    if (spin == 7)
        spin = 5;
    else if (spin == -7)
        spin = -5;
    if (chance(0.1))
        spin = -spin;
}

void choose_next_figure()
{
    int previous = figure;
    do {
        figure = random_int(figure_count);
    } while (figure == previous);
}

// Collapse, burst, end: one step per call, so no phase is ever skipped.
void advance_closing()
{
    if (figure < figure_collapse) {
        figure = figure_collapse;
    } else if (figure == figure_collapse) {
        figure = figure_burst;
        start_closing_sound();
    } else {
        show_finished = true;
    }
}

void setup_current_figure()
{
    if (figure == figure_collapse)
        setup_collapse();
    else if (figure == figure_burst)
        setup_burst();
    else
        setup_figure(figure);
}

// Only the first particle gates a change: the others may still be gliding and
// simply start their next glide from wherever they are.
void advance_figure()
{
    if (!particles[0][0].arrived || !chance(figure_change_chance))
        return;
    if (closing_requested)
        advance_closing();
    else
        choose_next_figure();
    setup_current_figure();
}

void draw_particles()
{
    surface_clear(surface);
    for (auto& row : particles) {
        for (Particle& p : row) {
            particle_step(p);
            particle_project(p);
            particle_plot(p);
        }
    }
}

}

void drift_camera_spin()
{
    if (!chance(spin_change_chance))
        return;
    int k = random_int(8);
    if (k < 3)
        step_spin(spin_theta);
    else if (k == 3)
        spin_theta = random_int(13) - 6;
    else if (k < 7)
        step_spin(spin_phi);
    else
        spin_phi = random_int(13) - 6;
}

void render_frame()
{
    spin_camera();
    drift_camera_spin();
    // A close does not wait for the glide under way to end.
    if (closing_requested && figure < figure_collapse)
        particles[0][0].arrived = true;
    advance_figure();
    draw_particles();
    surface_present(surface, window_dc, view_left, view_top);
}
