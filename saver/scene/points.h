#pragma once
// Whole-degree trigonometry and the 3D point record that carries both
// cartesian and spherical coordinates.

typedef double real;

struct Point3D {
    int x, y, z;
    int dist, theta, phi;
    real sin_theta, sin_phi, cos_theta, cos_phi;
    int param;
};

// Nearest whole number, halves to the even one: the one rounding of the
// animation. The value must lie within the int range.
int round_even(real v);

extern real sin_table[360];
extern real cos_table[360];

void build_trig_tables();

void point_set_cartesian(Point3D& p, int x, int y, int z);
void point_set_polar(Point3D& p, int dist, int theta, int phi);
void point_set_polar_param(Point3D& p, int dist, int theta, int phi, int param);
void point_set_cylindrical(Point3D& p, int radius, int angle, int z);
void point_update_polar(Point3D& p);
void point_update_cartesian(Point3D& p);
void point_rotate_theta(Point3D& p, int delta);
void point_rotate_phi(Point3D& p, int delta);
void point_set_theta(Point3D& p, int angle);
void point_set_phi(Point3D& p, int angle);
