// The first state of a show, the sound file's path and the random source.
#include "scene/random.h"
#include "scene/scene.h"

#include "support/programs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

class Scene : public ::testing::Test {
protected:
    static void SetUpTestSuite() { build_trig_tables(); }
};

TEST_F(Scene, StartPutsEveryParticleWhiteAndAtRestOnTheSphere)
{
    figure = 17;
    random_seed(20261207);
    scene_start();
    EXPECT_EQ(figure, 0);
    for (int row = 0; row < particle_rows; ++row) {
        for (int column = 0; column < particle_columns; ++column) {
            const Particle& p = particles[row][column];
            SCOPED_TRACE(testing::Message() << "particle [" << row << "][" << column << "]");
            EXPECT_EQ(p.pos.dist, 50);
            real r = std::sqrt(real(p.pos.x * p.pos.x + p.pos.y * p.pos.y + p.pos.z * p.pos.z));
            EXPECT_NEAR(r, 50, 1.0);
            EXPECT_GE(p.pos.theta, 0);
            EXPECT_LE(p.pos.theta, 359);
            EXPECT_GE(p.pos.phi, 0);
            EXPECT_LE(p.pos.phi, 179);
            EXPECT_EQ(p.pos.param, 0xFFFFFF) << std::hex << p.pos.param;
            EXPECT_TRUE(p.arrived);
        }
    }
}

TEST_F(Scene, StartDrawsThePolarAngleBeforeTheAzimuth)
{
    random_seed(99);
    scene_start();
    random_seed(99);
    int phi = random_int(180);
    int theta = random_int(360);
    EXPECT_EQ(particles[0][0].pos.phi, phi);
    EXPECT_EQ(particles[0][0].pos.theta, theta);
    // The sequence runs on row by row.
    for (int column = 1; column < particle_columns; ++column) {
        random_int(180);
        random_int(360);
    }
    phi = random_int(180);
    theta = random_int(360);
    EXPECT_EQ(particles[1][0].pos.phi, phi);
    EXPECT_EQ(particles[1][0].pos.theta, theta);
}

TEST_F(Scene, StartPointsTheSoundPathBesideTheProgram)
{
    std::strcpy(sound_path, "stale");
    scene_start();
    EXPECT_STREQ(sound_path, sibling_path("vorant.wav").c_str());
}

TEST_F(Scene, ProgramDirectoryEndsInABackslash)
{
    char directory[MAX_PATH];
    program_directory(directory, sizeof directory);
    std::string expected = sibling_path("x");
    expected.pop_back();
    EXPECT_STREQ(directory, expected.c_str());
}

struct DirectoryCase {
    const char* program;
    const char* directory;
    const char* sound;
};

TEST_F(Scene, SoundPathFromTheProgramsPath)
{
    const DirectoryCase cases[] = {
        {"D:\\SAVERS\\X.SCR", "D:\\SAVERS\\", "D:\\SAVERS\\vorant.wav"},
        {"X.SCR", "", "vorant.wav"},
        {"\\X.SCR", "\\", "\\vorant.wav"},
        {"C:\\A\\B\\", "C:\\A\\B\\", "C:\\A\\B\\vorant.wav"},
        {"", "", "vorant.wav"},
        // Forward slashes are not separators to this program.
        {"C:/dir/X.SCR", "", "vorant.wav"},
    };
    for (const DirectoryCase& c : cases) {
        char directory[MAX_PATH];
        std::memset(directory, '#', sizeof directory);
        directory_of(c.program, directory, sizeof directory);
        EXPECT_STREQ(directory, c.directory) << c.program;
        sound_path_in(directory);
        EXPECT_STREQ(sound_path, c.sound) << c.program;
    }
}

TEST_F(Scene, DirectoryTooLongForTheBufferIsDropped)
{
    std::string path = "C:\\" + std::string(20, 'd') + "\\X.SCR";
    char directory[32];
    std::memset(directory, '#', sizeof directory);
    directory_of(path.c_str(), directory, 24);
    EXPECT_STREQ(directory, "");
    EXPECT_EQ(directory[1], '#') << "no part of the directory copied";
    directory_of(path.c_str(), directory, 25);
    EXPECT_STREQ(directory, "C:\\dddddddddddddddddddd\\") << "24 characters and the end fit";
    EXPECT_EQ(directory[25], '#');
}

TEST_F(Scene, SoundPathNeverRunsPastItsBuffer)
{
    // The name and its end take 11 of the 260 bytes.
    std::string fits = "C:\\" + std::string(245, 'd') + "\\";
    ASSERT_EQ(fits.size(), 249u);
    sound_path_in(fits.c_str());
    EXPECT_EQ(std::string(sound_path), fits + "vorant.wav");

    std::string too_long = "C:\\" + std::string(246, 'd') + "\\";
    sound_path_in(too_long.c_str());
    EXPECT_STREQ(sound_path, "vorant.wav");
}

TEST_F(Scene, DepthRangeKeepsItsSpan)
{
    set_depth_range(150, 350);
    EXPECT_EQ(depth_near, 150);
    EXPECT_EQ(depth_far, 350);
    EXPECT_EQ(depth_span, 200);
}

TEST(Random, SeedRepeatsTheSequence)
{
    random_seed(7);
    int first[8];
    for (int& n : first)
        n = random_int(1000);
    random_seed(7);
    for (int n : first)
        EXPECT_EQ(random_int(1000), n);
}

TEST(Random, IntegersAndRealsDrawFromOneSequence)
{
    random_seed(12345);
    random_int(1000);
    int second = random_int(1000);
    random_seed(12345);
    random_real();
    EXPECT_EQ(random_int(1000), second);
}

TEST(Random, StaysInRangeAndReachesBothEnds)
{
    random_seed(1);
    bool seen_low = false, seen_high = false;
    for (int i = 0; i < 20000; ++i) {
        int n = random_int(360);
        ASSERT_GE(n, 0);
        ASSERT_LT(n, 360);
        seen_low |= n == 0;
        seen_high |= n == 359;
        EXPECT_EQ(random_int(1), 0);
        real r = random_real();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
    EXPECT_TRUE(seen_low);
    EXPECT_TRUE(seen_high);
}

TEST(Random, BrightColoursAreNeverDim)
{
    random_seed(3);
    for (int i = 0; i < 20000; ++i) {
        int c = random_bright_color();
        ASSERT_EQ(c & ~0xFFFFFF, 0) << std::hex << c;
        int sum = (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF);
        ASSERT_GT(sum, 150) << std::hex << c;
    }
}

}
