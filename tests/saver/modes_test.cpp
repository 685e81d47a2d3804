// How the command line picks the mode and the preview parent.
#include "shell/modes.h"

#include <gtest/gtest.h>

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
    {"/a", mode_full_screen}, {"/x", mode_full_screen},  {"", mode_full_screen},
    {nullptr, mode_full_screen},
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

}
