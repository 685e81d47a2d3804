// The frame routine driven frame by frame in the real saver window, with
// fixed seeds, and the closing sound replaced by a counter.
#include "animation/closing.h"
#include "animation/closing_sound.h"
#include "animation/figures.h"
#include "animation/frame.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "scene/surface.h"
#include "shell/modes.h"
#include "shell/window.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <vector>

namespace {

const int cyan = 0xFFFF00;

int sound_calls;
int figure_at_sound;
wchar_t path_at_sound[MAX_PATH];

bool count_sound(const wchar_t* path)
{
    ++sound_calls;
    figure_at_sound = figure;
    lstrcpynW(path_at_sound, path, MAX_PATH);
    return false;
}

class FrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        build_trig_tables();
        create_saver_window(0, 0, 640, 480, nullptr);
        window_dc = GetDC(main_window);
        view_left = 20;
        view_top = 40;
        surface_create(surface, window_dc, 600, 400, 300, 200, 0);
        closing_sound_player = count_sound;
    }

    void SetUp() override { start_show(1); }

    // The state a full-screen show starts from.
    void start_show(unsigned seed)
    {
        preview_mode = false;
        closing_requested = false;
        show_finished = false;
        spin_theta = 2;
        spin_phi = -3;
        spin_change_chance = 0.02;
        figure_change_chance = 0.01;
        random_seed(seed);
        point_set_polar_param(camera, 200, 60, 40, 200);
        set_depth_range(150, 350);
        scene_start();
        sound_calls = 0;
        figure_at_sound = -1;
        path_at_sound[0] = L'\0';
    }

    void press_key() { SendMessageA(main_window, WM_KEYDOWN, VK_SPACE, 0); }

    // Runs frames until the show finishes; returns the figures it went
    // through, each listed once per change.
    std::vector<int> run_to_end(bool press_every_frame, int max_frames = 2000)
    {
        std::vector<int> phases;
        for (int f = 0; f < max_frames && !show_finished; ++f) {
            if (press_every_frame)
                press_key();
            render_frame();
            if (phases.empty() || phases.back() != figure)
                phases.push_back(figure);
        }
        return phases;
    }
};

TEST_F(FrameTest, TheFirstFigureIsNeverFigureZero)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        start_show(seed);
        figure_change_chance = 1;
        render_frame();
        EXPECT_GE(figure, 1) << "seed " << seed;
        EXPECT_LT(figure, figure_count) << "seed " << seed;
    }
}

TEST_F(FrameTest, NoFigureFollowsItselfAndEveryFigureComesUp)
{
    figure_change_chance = 1;
    std::set<int> shown;
    int previous = figure;
    for (int f = 0; f < 1500; ++f) {
        particles[0][0].arrived = true;
        render_frame();
        ASSERT_NE(figure, previous) << "frame " << f;
        ASSERT_GE(figure, 0);
        ASSERT_LT(figure, figure_count);
        shown.insert(figure);
        previous = figure;
    }
    EXPECT_EQ(shown.size(), static_cast<size_t>(figure_count));
}

TEST_F(FrameTest, TheFigureHoldsWhileTheFirstParticleGlides)
{
    figure_change_chance = 1;
    render_frame();
    int first = figure;
    setup_figure(1);  // the globe: particle [0][0] glides for 300 frames
    // The glide lands in frame 300; the change can come from the next frame.
    for (int f = 1; f <= 300; ++f) {
        render_frame();
        ASSERT_EQ(figure, first) << "frame " << f;
    }
    render_frame();
    EXPECT_NE(figure, first);
}

TEST_F(FrameTest, TheCameraTurnsBySpinEveryFrameAndPassesOverThePole)
{
    spin_change_chance = 0;
    render_frame();
    EXPECT_EQ(camera.theta, 62);
    EXPECT_EQ(camera.phi, 37);
    for (int f = 1; f < 14; ++f)
        render_frame();
    EXPECT_EQ(camera.theta, 88);
    EXPECT_EQ(camera.phi, 358);
}

TEST_F(FrameTest, SpinDriftStaysWithinSixDegrees)
{
    spin_change_chance = 1;
    for (unsigned seed : {1u, 2u, 3u}) {
        random_seed(seed);
        for (int n = 0; n < 20000; ++n) {
            drift_camera_spin();
            ASSERT_GE(spin_theta, -6) << "seed " << seed << " drift " << n;
            ASSERT_LE(spin_theta, 6) << "seed " << seed << " drift " << n;
            ASSERT_GE(spin_phi, -6) << "seed " << seed << " drift " << n;
            ASSERT_LE(spin_phi, 6) << "seed " << seed << " drift " << n;
        }
    }
}

// One drift of one spin by one degree, as the random source will decide it.
struct SpinStepCase {
    bool on_phi;
    int before;
    bool up;
    bool reversed;
    int after;
};

SpinStepCase wanted_step;

bool draws_wanted_step()
{
    random_real();  // the drift chance, made certain by the test
    int k = random_int(8);
    if (wanted_step.on_phi ? k < 4 || k > 6 : k > 2)
        return false;
    if ((random_int(2) == 1) != wanted_step.up)
        return false;
    return (random_real() < 0.1) == wanted_step.reversed;
}

unsigned seed_where(bool (*draws)())
{
    for (unsigned seed = 1; seed < 1000000; ++seed) {
        random_seed(seed);
        if (draws())
            return seed;
    }
    ADD_FAILURE() << "no seed gives the wanted draws";
    return 0;
}

const SpinStepCase spin_step_cases[] = {
    {false, 6, true, false, 5},  {false, -6, false, false, -5}, {false, 6, true, true, -5},
    {true, 6, true, false, 5},   {true, -6, false, false, -5},  {true, -6, false, true, 5},
    {false, 3, false, false, 2}, {true, 0, true, true, -1},     {false, 5, true, false, 6},
};

TEST_F(FrameTest, SpinStepsFoldSevenBackToFiveAndMayReverse)
{
    spin_change_chance = 1;
    for (const SpinStepCase& c : spin_step_cases) {
        wanted_step = c;
        unsigned seed = seed_where(draws_wanted_step);
        spin_theta = c.on_phi ? 1 : c.before;
        spin_phi = c.on_phi ? c.before : 1;
        random_seed(seed);
        drift_camera_spin();
        EXPECT_EQ(c.on_phi ? spin_phi : spin_theta, c.after)
            << (c.on_phi ? "phi" : "theta") << " from " << c.before << (c.up ? " up" : " down")
            << (c.reversed ? " reversed" : "");
        EXPECT_EQ(c.on_phi ? spin_theta : spin_phi, 1) << "the other spin changed";
    }
}

TEST_F(FrameTest, AKeyPressDuringAGlideReachesTheCollapseWithoutWaiting)
{
    figure_change_chance = 1;
    render_frame();
    figure_change_chance = 0.01;
    setup_figure(1);
    render_frame();
    ASSERT_FALSE(particles[0][0].arrived);

    press_key();
    int frames = 0;
    while (figure != figure_collapse && frames < 50) {
        render_frame();
        ++frames;
    }
    EXPECT_EQ(figure, figure_collapse) << "after " << frames << " frames";
    EXPECT_LT(frames, 50);
}

TEST_F(FrameTest, ACloseRequestDoesNotWaitForTheGlideUnderWay)
{
    // As after a figure change in the frame of the key press: the first
    // particle is gliding again although closing was requested.
    figure_change_chance = 1;
    render_frame();
    setup_figure(1);
    closing_requested = true;
    figure_change_chance = 0.9;
    int frames = 0;
    while (figure != figure_collapse && frames < 50) {
        render_frame();
        ++frames;
    }
    EXPECT_EQ(figure, figure_collapse) << "after " << frames << " frames";
}

TEST_F(FrameTest, ClosingRunsCollapseThenBurstWithTheSoundThenEnds)
{
    for (bool press_every_frame : {false, true}) {
        for (unsigned seed : {4u, 5u, 6u}) {
            start_show(seed);
            figure_change_chance = 1;
            render_frame();
            int shown = figure;
            press_key();
            std::vector<int> phases = run_to_end(press_every_frame);
            std::vector<int> expected = {figure_collapse, figure_burst};
            if (!phases.empty() && phases.front() == shown)
                phases.erase(phases.begin());
            EXPECT_EQ(phases, expected) << "seed " << seed << " pressing "
                                        << (press_every_frame ? "every frame" : "once");
            EXPECT_TRUE(show_finished);
            EXPECT_EQ(sound_calls, 1);
            EXPECT_EQ(figure_at_sound, figure_burst);
            EXPECT_STREQ(path_at_sound, sound_path);
        }
    }
}

TEST_F(FrameTest, TheBurstStopsTheCameraAtAFixedView)
{
    press_key();
    while (figure != figure_burst && !show_finished)
        render_frame();
    EXPECT_EQ(camera.theta, 50);
    EXPECT_EQ(camera.phi, 45);
    EXPECT_EQ(spin_theta, 0);
    EXPECT_EQ(spin_phi, 0);
    spin_change_chance = 0;
    render_frame();
    EXPECT_EQ(camera.theta, 50);
    EXPECT_EQ(camera.phi, 45);
}

TEST_F(FrameTest, TheFrameThatFinishesTheShowStillSetsUpTheBurstAndDraws)
{
    const COLORREF marker = RGB(1, 2, 3);
    press_key();
    POINT marked = {};
    for (int f = 0; f < 2000 && !show_finished; ++f) {
        // A point the last frame lit, which the clear must blank.
        if (surface.lit_count > 0) {
            int width = surface_pixel_width(surface);
            marked = POINT{surface.lit_offsets[0] % width, surface.lit_offsets[0] / width};
            SetPixel(surface_dc, marked.x, marked.y, marker);
        }
        for (auto& row : particles)
            for (Particle& p : row)
                p.screen_x = INT_MIN;
        render_frame();
    }
    ASSERT_TRUE(show_finished);
    EXPECT_NE(GetPixel(surface_dc, marked.x, marked.y), marker) << "the surface was not cleared";
    for (int i = 0; i < particle_rows; ++i) {
        for (int j = 0; j < particle_columns; ++j) {
            const Particle& p = particles[i][j];
            ASSERT_NE(p.screen_x, INT_MIN) << "particle " << i << ", " << j << " not projected";
            ASSERT_EQ(p.elapsed, 1) << "particle " << i << ", " << j;
            ASSERT_EQ(p.target_color, cyan) << std::hex << p.target_color;
            ASSERT_GE(p.duration, 30);
            ASSERT_LT(p.duration, 60);
        }
    }
    EXPECT_EQ(sound_calls, 1);

    // ...and the frame reached the window at the drawn area's place, where
    // no other test's window happens to cover it.
    int compared = 0;
    for (auto& row : particles) {
        for (const Particle& p : row) {
            COLORREF drawn = GetPixel(surface_dc, p.screen_x, p.screen_y);
            COLORREF shown = GetPixel(window_dc, view_left + p.screen_x, view_top + p.screen_y);
            if (drawn == CLR_INVALID || drawn == 0 || shown == CLR_INVALID)
                continue;
            ++compared;
            EXPECT_EQ(shown, drawn) << "at " << p.screen_x << ", " << p.screen_y;
        }
    }
    EXPECT_GT(compared, 0);
}

TEST_F(FrameTest, ThePreviewNeverEndsByItself)
{
    preview_mode = true;
    figure_change_chance = 1;
    for (int f = 0; f < 1000; ++f) {
        if (f % 100 == 0)
            press_key();  // a preview is deaf to input
        particles[0][0].arrived = true;
        render_frame();
        ASSERT_LT(figure, figure_count) << "frame " << f;
    }
    EXPECT_FALSE(show_finished);
    EXPECT_FALSE(closing_requested);
    EXPECT_EQ(sound_calls, 0);
}

}
