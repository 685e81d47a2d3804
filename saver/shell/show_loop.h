#pragma once
// The main thread's loop while a show runs: it answers the window's messages,
// draws a frame whenever the display is due one, and waits in between, once
// a frame, for whichever comes first: the next frame or a message. The frames
// are paced where they are drawn: no other thread asks for them, so a frame
// costs no message and no wake-up of a second thread.
#include <windows.h>

#include <atomic>

// Frames drawn since the program started, for those who watch the pace.
extern std::atomic<unsigned> frames_drawn;
// While it draws, the preview looks whether it can be seen after every frame
// whose count is a multiple of this.
extern const unsigned preview_look_frames;

// Shows the saver window and runs the show until its window is destroyed
// (or, in preview, its host has gone), or until the show has finished and its
// closing sound has been heard. A close asked for while the display is off
// ends the show at once: nobody would see it, and a sound from a dark screen
// surprises.
void run_show_loop();
