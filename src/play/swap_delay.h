#pragma once
// How long a frame takes to reach the screen after its loop pass read the clock: the drawing,
// and the buffer swap with whatever wait for the display's refresh it imposes. The clock aims
// each frame at the music heard when it appears, so it needs a figure that one slow pass (a
// page fault, another process on the processor) does not move: the median of the recent ones.
//
//   swap_delay_note(ms)  one pass: from its clock read to its swap's return, in milliseconds
//   swap_delay_ms()      the median of the last kSwapDelayPasses notes; 0 before the first

#include <cstdint>

// An odd count, for a median that is one of the notes: about a second of passes.
constexpr int kSwapDelayPasses = 31;

void swap_delay_note(std::int32_t ms);
std::int32_t swap_delay_ms();
