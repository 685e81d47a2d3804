#pragma once
// From a particle's place in the world to one depth-faded point.
#include "animation/particle.h"

void particle_project(Particle& p);
void particle_plot(const Particle& p);
