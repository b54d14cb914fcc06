#pragma once
// The timing probe for whoever writes scene timings: pressing t and releasing any key writes
// a ready-made condition on timing_beats to standard output,
//   || timing_beats > 150.000000 && timing_beats <= 152.100000
// using the beat count read at the top of the loop pass in which each event was handled.
//
// The show never waits on its output (a pipe nobody reads, a stopped terminal): each line,
// once whole, is handed to a thread of its own that writes it, through a small queue; a line
// that finds the queue full is dropped whole.
//
//   probe_open()    key t pressed: the line's opening text and first number
//   probe_close()   any key released: the second number and the line end
//   probe_finish()  at the end: the lines still queued, written if the output takes them soon

void probe_open();
void probe_close();
void probe_finish();
