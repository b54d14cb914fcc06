#pragma once
// When the show's display goes away under it (the X server ended, the session closed), in
// the dialog or in the show: one line on standard error, "corvanel: lost the display", and
// status 1 through what is left of the shutdown, instead of the dialog toolkit's silent end.
//
//   watch_for_display_loss()  once the dialog's toolkit has opened the display (its own
//                             handler, set then, says nothing), and again before SDL opens
//                             its connection, which hands a loss on to the handler set here
//   display_lost()            true once that happened: the shutdown leaves the display alone

void watch_for_display_loss();
bool display_lost();
