#pragma once
// When the show's display goes away under it (the X server ended, the session closed): one
// line on standard error, "corvanel: lost the display", and status 1 through what is left of
// the shutdown, instead of the dialog toolkit's silent end from inside a buffer swap.
//
//   watch_for_display_loss()  once the dialog is done and before SDL opens its own
//                             connection, which hands a loss on to the handler set here
//   display_lost()            true once that happened: the shutdown leaves the display alone

void watch_for_display_loss();
bool display_lost();
