#pragma once
// The catalogue of target shapes: each starts one glide on every particle.

const int figure_count = 37;

void setup_figure(int n);
