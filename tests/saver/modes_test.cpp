// How the command line picks the mode and the preview parent.
#include "shell/display_scale.h"
#include "shell/modes.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct ModeCase {
    const char* argument;
    SaverMode expected;
};

const ModeCase mode_cases[] = {
    {"/c", mode_about},       {"/c:1234", mode_about},   {"xc", mode_about},
    {"/C", mode_about},       {"/C:1234", mode_about},   {"XC", mode_about},
    {"-c", mode_about},       {"C", mode_about},         {"c", mode_full_screen},
    {"/p", mode_preview},     {"/P", mode_preview},      {"P", mode_preview},
    {"p", mode_full_screen},  {"/s", mode_full_screen},  {"-s", mode_full_screen},
    {"/a", mode_full_screen}, {"/x", mode_full_screen},
    // The system's "Configure" gives no argument.
    {"", mode_about},         {nullptr, mode_about},
    // The first character is dropped whatever it is, so "cp" asks for preview.
    {"cp", mode_preview},     {"//c", mode_full_screen},
};

TEST(ModeSelection, EveryArgumentForm)
{
    for (const ModeCase& c : mode_cases) {
        EXPECT_EQ(mode_from_argument(c.argument), c.expected)
            << "argument \"" << (c.argument ? c.argument : "(none)") << "\"";
    }
}

struct NumberCase {
    const char* text;
    int expected;
};

const NumberCase number_cases[] = {
    {"1234", 1234}, {"1234abc", 1234}, {"  1234", 1234}, {"\t 77", 77},
    {"+42", 42},    {"-42", -42},      {"abc", 0},       {"", 0},
    {nullptr, 0},   {"-", 0},          {"12 34", 12},    {"0x10", 0},
};

TEST(PreviewHandle, ReadAsDecimalUpToTheFirstNonDigit)
{
    for (const NumberCase& c : number_cases) {
        EXPECT_EQ(read_decimal(c.text), c.expected)
            << "text \"" << (c.text ? c.text : "(none)") << "\"";
    }
}

// 150 % and 200 % give 2, 125 % gives 1; a bogus DPI no more than 8.
TEST(DisplayScale, WholeFactorsOfTheDpi)
{
    const int cases[][2] = {{0, 1}, {96, 1}, {120, 1}, {144, 2}, {192, 2}, {288, 3},
                            {720, 8}, {5000, 8}, {INT_MAX, 8}};
    for (const auto& c : cases)
        EXPECT_EQ(scale_for_dpi(c[0]), c[1]) << c[0] << " DPI";
}

}
