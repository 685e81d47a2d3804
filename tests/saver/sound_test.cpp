// The closing sound the build puts beside the program: a short PCM wave that
// the multimedia system can read, and whose length the program knows.
#include "animation/closing_sound.h"
#include "scene/scene.h"
#include "support/imports.h"
#include "support/programs.h"

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstring>
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
    EXPECT_EQ(wave_length_ms(wide(path).c_str()), static_cast<int>(seconds * 1000 + 0.5));
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
    EXPECT_EQ(wave_length_ms(wide(sibling_path("missing.wav")).c_str()), 0);
    EXPECT_EQ(wave_length_ms(wide(sibling_path("saver_sound_test.exe")).c_str()), 0);
}

std::wstring this_program()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::string file_bytes(const std::wstring& path)
{
    std::string bytes(1 << 20, '\0');
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    DWORD read = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

// What the program asks the system's player for, watched through its own
// import. No device is opened: the multimedia system's device window can
// start the desktop's process, which then holds the test's output open.
const void* played;
DWORD played_flags;

BOOL WINAPI note_played(LPCWSTR sound, HMODULE, DWORD flags)
{
    played = sound;
    played_flags = flags;
    return TRUE;
}

// Run again by the next test, from a folder the code page cannot spell.
TEST(Sound, PlayedBesideTheProgramAndNeverTheDefaultOne)
{
    patch_import(GetModuleHandleA(nullptr), "winmm.dll", "PlaySoundW",
                 reinterpret_cast<void*>(note_played));
    scene_start();
    start_closing_sound();
    std::wstring beside = this_program();
    beside.erase(beside.find_last_of(L'\\') + 1);
    std::string wave = file_bytes(beside + L"vorant.wav");
    ASSERT_FALSE(wave.empty());
    // The wave read by the program, and no name for the player to look up.
    const DWORD wanted = SND_ASYNC | SND_MEMORY | SND_NODEFAULT;
    EXPECT_EQ(played_flags & (wanted | SND_ALIAS | SND_FILENAME), wanted) << std::hex << played_flags;
    ASSERT_NE(played, nullptr);
    EXPECT_EQ(std::memcmp(played, wave.data(), wave.size()), 0) << "another sound was played";
    EXPECT_GT(wave_length_ms(sound_path), 0) << "the wave beside the program was not read";

    played = nullptr;
    sound_path_in(L"C:\\nowhere\\");
    start_closing_sound();
    EXPECT_EQ(played, nullptr) << "a sound was asked for in place of a missing wave";
}

TEST(Sound, FoundInAFolderTheCodePageCannotSpell)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // "Music" in Japanese.
    std::wstring folder = std::wstring(temp) + L"\u97f3\u697d";
    BOOL unspellable = FALSE;
    WideCharToMultiByte(CP_ACP, 0, folder.c_str(), -1, nullptr, 0, nullptr, &unspellable);
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring copy = folder + L"\\sound_test.exe";
    std::wstring wave = folder + L"\\vorant.wav";
    ASSERT_TRUE(CopyFileW(this_program().c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(wide(sibling_path("vorant.wav")).c_str(), wave.c_str(), FALSE));
    DWORD code = run_command(L"\"" + copy + L"\" --gtest_filter=Sound.PlayedBeside*");
    DeleteFileW(copy.c_str());
    DeleteFileW(wave.c_str());
    RemoveDirectoryW(folder.c_str());
    EXPECT_EQ(code, 0u) << "in a folder the code page " << (unspellable ? "cannot" : "can") << " spell";
}

}
