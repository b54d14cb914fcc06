#pragma once
// The setup step before the show: the viewer picks a resolution and full screen or not.
// Returns false when the viewer cancels; otherwise W, H and fullscreen hold the choice (or
// stay as they were when no dialog could be shown).

bool run_setup_dialog();
