#pragma once
// The one pseudo-random sequence of a show.
#include "scene/points.h"

void random_seed(unsigned seed);
void random_seed_from_clock();
int random_int(int n);
real random_real();
