#pragma once
// The timing probe for whoever writes scene timings: pressing t and releasing any key writes
// a ready-made condition on timing_beats to standard output,
//   || timing_beats > 150.000000 && timing_beats <= 152.100000
// using the beat count read at the top of the loop pass in which each event was handled.

void probe_open();   // key t pressed: the line's opening text and first number
void probe_close();  // any key released: the second number and the line end
