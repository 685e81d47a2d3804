#pragma once
// The two figures of the closing sequence.

const int figure_collapse = 254;
const int figure_burst = 255;

void setup_collapse();
void setup_burst();
