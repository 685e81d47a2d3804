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

DWORD sound_ends_at;
// The tick counter wraps: an end that was never set is no time at all.
bool sound_started;

bool play_sound_file(const char* path)
{
    return PlaySoundA(path, nullptr, SND_ASYNC) != FALSE;
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

bool (*closing_sound_player)(const char* path) = play_sound_file;

int wave_length_ms(const char* path)
{
    HMMIO file = mmioOpenA(const_cast<char*>(path), nullptr, MMIO_READ);
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
