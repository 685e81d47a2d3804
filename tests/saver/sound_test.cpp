// The closing sound the build puts beside the program: a short PCM wave that
// the multimedia system can read, and whose length the program knows.
#include "animation/closing_sound.h"
#include "support/imports.h"
#include "support/programs.h"

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Sound, IsAShortPcmWaveBesideTheProgram)
{
    std::string path = sibling_path("vorant.wav");
    HMMIO file = mmioOpenA(&path[0], nullptr, MMIO_READ);
    ASSERT_NE(file, nullptr) << path;

    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    MMCKINFO chunk{};
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    ASSERT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    PCMWAVEFORMAT format{};
    ASSERT_EQ(mmioRead(file, reinterpret_cast<HPSTR>(&format), sizeof format),
              static_cast<LONG>(sizeof format));
    mmioAscend(file, &chunk, 0);
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    mmioClose(file, 0);

    EXPECT_EQ(format.wf.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.wf.nChannels, 1);
    EXPECT_EQ(format.wBitsPerSample, 16);
    EXPECT_EQ(format.wf.nBlockAlign, 2);
    EXPECT_EQ(format.wf.nAvgBytesPerSec, format.wf.nSamplesPerSec * 2);
    double seconds = double(chunk.cksize) / format.wf.nAvgBytesPerSec;
    EXPECT_GT(seconds, 0.5);
    EXPECT_LT(seconds, 2.0) << "a burst, not a tune";
    EXPECT_EQ(wave_length_ms(path.c_str()), static_cast<int>(seconds * 1000 + 0.5));
}

DWORD WINAPI late_in_the_month()
{
    // Past 2^31 ms of uptime, 25 days: an end never set lies ahead.
    return 0x80001000u;
}

TEST(Sound, WithoutAWaveThereIsNothingToWaitFor)
{
    patch_import(GetModuleHandleA(nullptr), "kernel32.dll", "GetTickCount",
                 reinterpret_cast<void*>(late_in_the_month));
    EXPECT_EQ(closing_sound_left_ms(), 0) << "with no sound started";
    EXPECT_EQ(wave_length_ms(sibling_path("missing.wav").c_str()), 0);
    EXPECT_EQ(wave_length_ms(sibling_path("saver_sound_test.exe").c_str()), 0);
}

}
