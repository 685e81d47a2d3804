#pragma once
// The closing sound: started as the burst begins, and heard to its end
// although the burst is over sooner.

// Starts the sound without waiting for it; false when it cannot be played. A
// variable so that tests can count the calls instead of playing anything.
extern bool (*closing_sound_player)(const wchar_t* path);

// How long the wave file at PATH plays, in milliseconds and never more than a
// few seconds; 0 when it cannot be read as a wave (its format and the start
// of its samples lie in its first 4 KB).
int wave_length_ms(const wchar_t* path);
// Starts the sound of sound_path and notes when it will have ended.
void start_closing_sound();
// What is still to be heard, in milliseconds; 0 once the sound has ended or
// when it was never played.
int closing_sound_left_ms();
