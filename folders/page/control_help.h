#pragma once
// Help for the page's controls: a sentence that pops up beside the control
// for F1 and for a right click. Windows no longer runs the old help program,
// so the page carries its help itself.
#include <windows.h>

// Shows the control's sentence under it, in place of any shown before.
// FALSE for a control that has none.
BOOL ShowControlHelp(HWND hPage, HWND hControl);
// Hides the sentence; the page's help timer calls it too.
void HideControlHelp(HWND hPage);
// Lets the page's pop-up go, as the page is destroyed.
void EndControlHelp(HWND hPage);

// The page's timer that takes the sentence away again.
const UINT_PTR g_idHelpTimer = 0x48;
