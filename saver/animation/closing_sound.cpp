#include "animation/closing_sound.h"

#include "scene/scene.h"

#include <windows.h>

#include <mmsystem.h>

namespace {

// A file that claims to last longer still must not keep the program alive.
const int longest_sound_ms = 5000;
// The sound starts on a thread of the multimedia system and passes through
// the device's buffers: it is heard a little after it was asked for.
const int output_delay_ms = 200;

// Enough for the longest sound in CD quality.
const DWORD largest_sound_bytes = 1 << 20;
// What it takes to find the wave's format and the length of its samples.
const DWORD wave_header_bytes = 4096;

DWORD sound_ends_at;
// The tick counter wraps: an end that was never set is no time at all.
bool sound_started;
// The multimedia system opens files by names in the code page on some
// systems, and not by long ones: the wave is read here by its wide name and
// played from memory, which must last as long as the sound.
BYTE sound_data[largest_sound_bytes];

// How many of the file's first SIZE bytes were read; 0 when it cannot be.
DWORD read_file_start(const wchar_t* path, BYTE* buffer, DWORD size)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD read = 0;
    if (!ReadFile(file, buffer, size, &read, nullptr))
        read = 0;
    CloseHandle(file);
    return read;
}

// Never the system's default sound in its place: cut short at the end of
// the process, it would only be a click. A wave that fills the buffer may
// be longer, and would be cut short too.
bool play_sound_file(const wchar_t* path)
{
    DWORD bytes = read_file_start(path, sound_data, sizeof sound_data);
    if (bytes == 0 || bytes == sizeof sound_data)
        return false;
    return PlaySoundW(reinterpret_cast<LPCWSTR>(sound_data), nullptr,
                      SND_ASYNC | SND_MEMORY | SND_NODEFAULT)
           != FALSE;
}

bool read_format(HMMIO file, MMCKINFO& riff, PCMWAVEFORMAT& format)
{
    MMCKINFO chunk = {};
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    return mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR
           && mmioRead(file, reinterpret_cast<HPSTR>(&format), sizeof format)
                  == static_cast<LONG>(sizeof format)
           && mmioAscend(file, &chunk, 0) == MMSYSERR_NOERROR && format.wf.nAvgBytesPerSec != 0;
}

}

bool (*closing_sound_player)(const wchar_t* path) = play_sound_file;

int wave_length_ms(const wchar_t* path)
{
    BYTE header[wave_header_bytes];
    MMIOINFO memory = {};
    memory.fccIOProc = FOURCC_MEM;
    memory.pchBuffer = reinterpret_cast<HPSTR>(header);
    memory.cchBuffer = static_cast<LONG>(read_file_start(path, header, sizeof header));
    HMMIO file = memory.cchBuffer ? mmioOpenW(nullptr, &memory, MMIO_READ) : nullptr;
    if (!file)
        return 0;
    MMCKINFO riff = {};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    PCMWAVEFORMAT format = {};
    MMCKINFO data = {};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    long long length = 0;
    if (mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR
        && read_format(file, riff, format)
        && mmioDescend(file, &data, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR)
        length = 1000LL * data.cksize / format.wf.nAvgBytesPerSec;
    mmioClose(file, 0);
    return length < longest_sound_ms ? static_cast<int>(length) : longest_sound_ms;
}

void start_closing_sound()
{
    DWORD started = GetTickCount();
    int length = wave_length_ms(sound_path);
    bool heard = closing_sound_player(sound_path) && length > 0;
    sound_ends_at = started + static_cast<DWORD>(heard ? length + output_delay_ms : 0);
    sound_started = true;
}

int closing_sound_left_ms()
{
    if (!sound_started)
        return 0;
    int left = static_cast<int>(sound_ends_at - GetTickCount());
    return left > 0 ? left : 0;
}
