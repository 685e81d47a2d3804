// Glides: straight lines with linear colour blends, recomputed from the start
// each frame, landing exactly on the target.
#include "animation/particle.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const int red = 0x0000FF;
const int cyan = 0xFFFF00;
const int white = 0xFFFFFF;

class Glide : public ::testing::Test {
protected:
    static void SetUpTestSuite() { build_trig_tables(); }

    // A particle at rest at (x, y, z) with the given colour.
    static Particle at_rest(int x, int y, int z, int colour)
    {
        Particle p{};
        point_set_cartesian(p.pos, x, y, z);
        p.pos.param = colour;
        p.arrived = true;
        return p;
    }

    static void step(Particle& p, int frames)
    {
        for (int i = 0; i < frames; ++i)
            particle_step(p);
    }
};

struct StartCase {
    const char* name;
    std::function<void(Particle&)> start;
    int x, y, z;
};

TEST_F(Glide, EveryStartAimsAtItsTargetAndLandsInOneFrame)
{
    const StartCase cases[] = {
        {"polar", [](Particle& p) { particle_move_polar(p, 50, 90, 90, 1, 0x123456); },
         0, 50, 0},
        {"polar offset",
         [](Particle& p) { particle_move_polar_offset(p, 50, 90, 90, 1, -2, 3, 1, 0x123456); },
         1, 48, 3},
        {"cartesian", [](Particle& p) { particle_move_cartesian(p, 10, -20, 30, 1, 0x123456); },
         10, -20, 30},
        {"cartesian offset",
         [](Particle& p) {
             particle_move_cartesian_offset(p, 10, -20, 30, 100, 200, -300, 1, 0x123456);
         },
         110, 180, -270},
        {"cylindrical",
         [](Particle& p) { particle_move_cylindrical(p, 40, 180, -7, 1, 0x123456); },
         -40, 0, -7},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        Particle p = at_rest(5, 6, 7, white);
        c.start(p);
        EXPECT_FALSE(p.arrived);
        EXPECT_EQ(p.elapsed, 0);
        EXPECT_EQ(p.duration, 1);
        EXPECT_EQ(p.target_color, 0x123456);
        EXPECT_EQ(p.start.x, 5);
        EXPECT_EQ(p.start.y, 6);
        EXPECT_EQ(p.start.z, 7);
        EXPECT_EQ(p.pos.x, 5) << "starting a glide does not move the particle";

        particle_step(p);
        EXPECT_TRUE(p.arrived);
        EXPECT_EQ(p.pos.x, c.x);
        EXPECT_EQ(p.pos.y, c.y);
        EXPECT_EQ(p.pos.z, c.z);
        EXPECT_EQ(p.pos.param, 0x123456) << std::hex << p.pos.param;
    }
}

TEST_F(Glide, ParticleAtRestDoesNotStep)
{
    Particle p = at_rest(1, 2, 3, red);
    const Particle before = p;
    step(p, 5);
    EXPECT_EQ(p.elapsed, before.elapsed);
    EXPECT_EQ(p.pos.x, 1);
    EXPECT_EQ(p.pos.y, 2);
    EXPECT_EQ(p.pos.z, 3);
    EXPECT_EQ(p.pos.param, red);
}

TEST_F(Glide, GlideToItselfHoldsStillForItsDuration)
{
    Particle p = at_rest(-12, 34, 56, 0x406080);
    particle_move_cartesian(p, -12, 34, 56, 5, 0x406080);
    for (int frame = 1; frame <= 5; ++frame) {
        particle_step(p);
        SCOPED_TRACE(frame);
        EXPECT_EQ(p.pos.x, -12);
        EXPECT_EQ(p.pos.y, 34);
        EXPECT_EQ(p.pos.z, 56);
        EXPECT_EQ(p.pos.param, 0x406080) << std::hex << p.pos.param;
        EXPECT_EQ(p.arrived, frame == 5);
    }
}

struct FrameCase {
    int frame;
    int x;
    int colour;
};

TEST_F(Glide, RedToCyanBlendsWithTruncatedChannels)
{
    // Each channel moves 8.5 a frame; x moves 1.5 a frame, so odd frames
    // land on a half and go to the even neighbour.
    const FrameCase cases[] = {
        {1, 2, 0x0808F6},      {2, 3, 0x1111EE},  {3, 4, 0x1919E5},
        {15, 22, 0x7F7F7F},    {29, 44, 0xF6F608}, {30, 45, cyan},
    };
    Particle p = at_rest(0, 0, 0, red);
    particle_move_cartesian(p, 45, 0, 0, 30, cyan);
    int frame = 0;
    for (const FrameCase& c : cases) {
        step(p, c.frame - frame);
        frame = c.frame;
        SCOPED_TRACE(frame);
        EXPECT_EQ(p.pos.x, c.x);
        EXPECT_EQ(p.pos.param, c.colour) << std::hex << p.pos.param;
        EXPECT_EQ(p.arrived, frame == 30);
    }
}

TEST_F(Glide, HalfwayPositionsGoToTheEvenNeighbour)
{
    struct HalfCase {
        int distance;
        int halfway;
    };
    const HalfCase cases[] = {{1, 0}, {3, 2}, {5, 2}, {7, 4}};
    for (const HalfCase& c : cases) {
        Particle p = at_rest(0, 0, 0, white);
        particle_move_cartesian(p, c.distance, -c.distance, 0, 2, white);
        particle_step(p);
        EXPECT_EQ(p.pos.x, c.halfway) << "half of " << c.distance;
        EXPECT_EQ(p.pos.y, -c.halfway) << "half of " << -c.distance;
    }
}

TEST_F(Glide, NewGlideStartsWhereTheOldOneWas)
{
    Particle p = at_rest(0, 0, 0, white);
    particle_move_cartesian(p, 300, -150, 90, 300, 0x000000);
    step(p, 10);
    ASSERT_EQ(p.pos.x, 10);
    ASSERT_EQ(p.pos.y, -5);
    ASSERT_EQ(p.pos.z, 3);
    ASSERT_EQ(p.pos.param, 0xF6F6F6) << std::hex << p.pos.param;

    particle_move_cartesian(p, 10, 95, 3, 100, white);
    EXPECT_EQ(p.start.x, 10);
    EXPECT_EQ(p.start.y, -5);
    EXPECT_EQ(p.start.z, 3);
    EXPECT_EQ(p.start_r, 0xF6);
    EXPECT_EQ(p.start_g, 0xF6);
    EXPECT_EQ(p.start_b, 0xF6);
    EXPECT_EQ(p.elapsed, 0);

    particle_step(p);
    EXPECT_EQ(p.pos.x, 10);
    EXPECT_EQ(p.pos.y, -4) << "one frame of the new glide, no jump";
    EXPECT_EQ(p.pos.z, 3);
    EXPECT_EQ(p.pos.param, 0xF6F6F6) << std::hex << p.pos.param;
    step(p, 99);
    EXPECT_TRUE(p.arrived);
    EXPECT_EQ(p.pos.y, 95);
    EXPECT_EQ(p.pos.param, white);
}

}
