#pragma once
// The scene of a show: camera, particles, depth range, drawn area, sound.
#include "animation/particle.h"

#include <windows.h>

const int particle_rows = 19;
const int particle_columns = 36;

extern Point3D camera;
extern Particle particles[particle_rows][particle_columns];
extern int depth_near;
extern int depth_far;
extern int depth_span;
extern int view_width;
extern int view_height;
extern int view_left;
extern int view_top;
extern int figure;
// Wide: the program may lie in a folder whose name the code page cannot spell.
extern wchar_t sound_path[MAX_PATH];

void set_depth_range(int near_depth, int far_depth);
void particle_init(Particle& p, int dist, int theta, int phi, int colour);
// The directory part of PATH, up to and including its last backslash; empty
// when PATH has no backslash or the directory does not fit in SIZE bytes.
void directory_of(const wchar_t* path, wchar_t* directory, int size);
void program_directory(wchar_t* directory, int size);
// Points sound_path at the sound file in DIRECTORY (which ends in a backslash
// or is empty); a directory too long for the buffer leaves the bare name.
void sound_path_in(const wchar_t* directory);
void scene_start();
int random_bright_color();
