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
    std::wcscpy(sound_path, L"stale");
    scene_start();
    EXPECT_STREQ(sound_path, wide(sibling_path("vorant.wav")).c_str());
}

TEST_F(Scene, ProgramDirectoryEndsInABackslash)
{
    wchar_t directory[MAX_PATH];
    program_directory(directory, MAX_PATH);
    std::wstring expected = wide(sibling_path("x"));
    expected.pop_back();
    EXPECT_STREQ(directory, expected.c_str());
}

struct DirectoryCase {
    const wchar_t* program;
    const wchar_t* directory;
    const wchar_t* sound;
};

TEST_F(Scene, SoundPathFromTheProgramsPath)
{
    const DirectoryCase cases[] = {
        {L"D:\\SAVERS\\X.SCR", L"D:\\SAVERS\\", L"D:\\SAVERS\\vorant.wav"},
        {L"X.SCR", L"", L"vorant.wav"},
        {L"\\X.SCR", L"\\", L"\\vorant.wav"},
        {L"C:\\A\\B\\", L"C:\\A\\B\\", L"C:\\A\\B\\vorant.wav"},
        {L"", L"", L"vorant.wav"},
        // Forward slashes are not separators to this program.
        {L"C:/dir/X.SCR", L"", L"vorant.wav"},
        // A name the code page cannot spell.
        {L"C:\\\u97f3\\X.SCR", L"C:\\\u97f3\\", L"C:\\\u97f3\\vorant.wav"},
    };
    for (const DirectoryCase& c : cases) {
        wchar_t directory[MAX_PATH];
        std::wmemset(directory, L'#', MAX_PATH);
        directory_of(c.program, directory, MAX_PATH);
        EXPECT_STREQ(directory, c.directory) << c.program;
        sound_path_in(directory);
        EXPECT_STREQ(sound_path, c.sound) << c.program;
    }
}

TEST_F(Scene, DirectoryTooLongForTheBufferIsDropped)
{
    std::wstring path = L"C:\\" + std::wstring(20, L'd') + L"\\X.SCR";
    wchar_t directory[32];
    std::wmemset(directory, L'#', 32);
    directory_of(path.c_str(), directory, 24);
    EXPECT_STREQ(directory, L"");
    EXPECT_EQ(directory[1], L'#') << "no part of the directory copied";
    directory_of(path.c_str(), directory, 25);
    EXPECT_STREQ(directory, L"C:\\dddddddddddddddddddd\\") << "24 characters and the end fit";
    EXPECT_EQ(directory[25], L'#');
}

TEST_F(Scene, SoundPathNeverRunsPastItsBuffer)
{
    // The name and its end take 11 of the 260 characters.
    std::wstring fits = L"C:\\" + std::wstring(245, L'd') + L"\\";
    ASSERT_EQ(fits.size(), 249u);
    sound_path_in(fits.c_str());
    EXPECT_EQ(std::wstring(sound_path), fits + L"vorant.wav");

    std::wstring too_long = L"C:\\" + std::wstring(246, L'd') + L"\\";
    sound_path_in(too_long.c_str());
    EXPECT_STREQ(sound_path, L"vorant.wav");
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
