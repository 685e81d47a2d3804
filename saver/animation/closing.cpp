#include "animation/closing.h"

#include "animation/frame.h"
#include "scene/random.h"
#include "scene/scene.h"

namespace {

const int red = 0x0000FF;
const int cyan = 0xFFFF00;

}

void setup_collapse()
{
    for (auto& row : particles) {
        for (Particle& p : row) {
            int theta = random_int(360);
            int phi = random_int(180);
            particle_move_polar(p, 4, theta, phi, 30, red);
        }
    }
}

void setup_burst()
{
    spin_theta = 0;
    spin_phi = 0;
    point_set_theta(camera, 50);
    point_set_phi(camera, 45);
    for (auto& row : particles) {
        for (Particle& p : row) {
            int theta = random_int(360);
            int phi = random_int(5) + 88;
            int duration = random_int(30) + 30;
            particle_move_polar(p, 800, theta, phi, duration, cyan);
        }
    }
}
