// Conversions between cartesian and spherical coordinates, and rotations,
// against the worked values of the animation.
#include "scene/points.h"

#include <gtest/gtest.h>

namespace {

class Points : public ::testing::Test {
protected:
    static void SetUpTestSuite() { build_trig_tables(); }
};

// All six coordinates at once; each mismatch is told on its own.
void expect_coordinates(const Point3D& p, int x, int y, int z, int dist, int theta, int phi)
{
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
    EXPECT_EQ(p.z, z);
    EXPECT_EQ(p.dist, dist);
    EXPECT_EQ(p.theta, theta);
    EXPECT_EQ(p.phi, phi);
}

void expect_cached_values_match(const Point3D& p)
{
    EXPECT_EQ(p.sin_theta, sin_table[p.theta]) << "theta " << p.theta;
    EXPECT_EQ(p.cos_theta, cos_table[p.theta]) << "theta " << p.theta;
    EXPECT_EQ(p.sin_phi, sin_table[p.phi]) << "phi " << p.phi;
    EXPECT_EQ(p.cos_phi, cos_table[p.phi]) << "phi " << p.phi;
}

struct RoundCase {
    real value;
    int expected;
};

TEST_F(Points, RoundingTakesHalvesToTheEvenNeighbour)
{
    const RoundCase cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {2.4999, 2}, {2.5001, 3}, {-7.6, -8}, {127.5, 128},
    };
    for (const RoundCase& c : cases)
        EXPECT_EQ(round_even(c.value), c.expected) << "value " << c.value;
}

struct CartesianCase {
    int x, y, z;
    int dist, theta, phi;
};

TEST_F(Points, CartesianToPolar)
{
    const CartesianCase cases[] = {
        {0, 0, 0, 0, 90, 90},
        {0, -5, 0, 5, 270, 90},
        {-5, 0, 0, 5, 180, 90},
        {5, 0, 0, 5, 0, 90},
        {0, 0, 7, 7, 90, 0},
        {0, 0, -7, 7, 90, 180},
        {1, 0, -200, 200, 0, 180},
        {3, 4, 0, 5, 53, 90},
        {1, 1, 1, 2, 45, 55},
        {-3, -4, -5, 7, 233, 135},
        // Fourth quadrant: the arctangent is negative and is wrapped.
        {3, -4, 0, 5, 307, 90},
        // Second quadrant: x < 0 adds half a turn.
        {-3, 4, 0, 5, 127, 90},
    };
    for (const CartesianCase& c : cases) {
        Point3D p{};
        p.param = 0x5A5A5A;
        point_set_cartesian(p, c.x, c.y, c.z);
        SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ", " << c.z << ")");
        expect_coordinates(p, c.x, c.y, c.z, c.dist, c.theta, c.phi);
        EXPECT_EQ(p.param, 0x5A5A5A) << "param travels untouched";
        expect_cached_values_match(p);
    }
}

struct PolarCase {
    int dist, theta, phi;
    int x, y, z;
};

TEST_F(Points, PolarToCartesian)
{
    const PolarCase cases[] = {
        {200, 60, 40, 64, 111, 153},
        {50, 0, 0, 0, 0, 50},
        {50, 90, 90, 0, 50, 0},
        {50, 180, 90, -50, 0, 0},
        {50, 0, 180, 0, 0, -50},
        // Polar angles past 180 come from rotation and are used as they are.
        {50, 0, 270, -50, 0, 0},
    };
    for (const PolarCase& c : cases) {
        Point3D p{};
        point_set_polar(p, c.dist, c.theta, c.phi);
        SCOPED_TRACE(testing::Message() << "dist " << c.dist << " theta " << c.theta
                                        << " phi " << c.phi);
        expect_coordinates(p, c.x, c.y, c.z, c.dist, c.theta, c.phi);
        expect_cached_values_match(p);
    }
}

TEST_F(Points, CylindricalRoundsTheCircleAndDerivesTheAngles)
{
    Point3D p{};
    point_set_cylindrical(p, 10, 90, 5);
    expect_coordinates(p, 0, 10, 5, 11, 90, 63);
    point_set_cylindrical(p, 100, 45, -3);
    expect_coordinates(p, 71, 71, -3, 100, 45, 92);
}

enum class Turn { rotate_theta, rotate_phi, set_theta, set_phi };

struct TurnCase {
    Turn turn;
    int start;
    int argument;
    int expected;
};

TEST_F(Points, TurningChangesOneAngleAndLeavesTheCoordinates)
{
    const TurnCase cases[] = {
        {Turn::rotate_theta, 350, 20, 10},
        {Turn::rotate_theta, 5, -370, 355},
        {Turn::rotate_theta, 0, -1, 359},
        {Turn::rotate_theta, 10, 720, 10},
        {Turn::rotate_phi, 170, 20, 190},
        {Turn::rotate_phi, 3, -5, 358},
        {Turn::set_theta, 10, 300, 300},
        {Turn::set_phi, 10, 200, 200},
    };
    for (const TurnCase& c : cases) {
        Point3D p{};
        point_set_polar(p, 100, c.start, c.start);
        const Point3D before = p;
        switch (c.turn) {
        case Turn::rotate_theta: point_rotate_theta(p, c.argument); break;
        case Turn::rotate_phi: point_rotate_phi(p, c.argument); break;
        case Turn::set_theta: point_set_theta(p, c.argument); break;
        case Turn::set_phi: point_set_phi(p, c.argument); break;
        }
        SCOPED_TRACE(testing::Message() << "case " << static_cast<int>(c.turn) << " from "
                                        << c.start << " by " << c.argument);
        bool theta_turns = c.turn == Turn::rotate_theta || c.turn == Turn::set_theta;
        EXPECT_EQ(theta_turns ? p.theta : p.phi, c.expected);
        EXPECT_EQ(theta_turns ? p.phi : p.theta, c.start) << "the other angle stays";
        EXPECT_EQ(p.x, before.x);
        EXPECT_EQ(p.y, before.y);
        EXPECT_EQ(p.z, before.z);
        EXPECT_EQ(p.dist, before.dist);
        expect_cached_values_match(p);
    }
}

TEST_F(Points, UpdateCartesianFollowsARotation)
{
    Point3D p{};
    point_set_polar(p, 50, 0, 90);
    point_rotate_theta(p, 90);
    EXPECT_EQ(p.x, 50) << "not moved until asked";
    point_update_cartesian(p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 50);
    EXPECT_EQ(p.z, 0);
}

}
