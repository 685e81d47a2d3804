#pragma once
// The two figures of the closing sequence and the sound between them.

const int figure_collapse = 254;
const int figure_burst = 255;

// Starts the closing sound without waiting for it; a variable so that tests
// can count the calls instead of playing anything.
extern void (*closing_sound_player)(const char* path);

void setup_collapse();
void setup_burst();
