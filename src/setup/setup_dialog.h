#pragma once
// The setup step before the show: the viewer picks a resolution and full screen or not.
// Returns false when the viewer cancels; otherwise W, H and fullscreen hold the choice (or
// stay as they were when no dialog could be shown).

bool run_setup_dialog();

// After Run on a screen of several heads: the one whose modes the dialog listed (the primary),
// numbered as Xinerama numbers heads, where the show must play; -1 where there is no choice.
extern int setup_head;
