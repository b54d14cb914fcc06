#pragma once
// The page around the show, in place of the desktop's setup dialog: the start page (title,
// emblem, "Play" and "Play full screen"), the canvas the show draws on, and the page that
// offers to play again. The buttons and the canvas live in index.html; this is the show's side
// of them. A click is what browsers ask before they play sound or go full screen, so the show
// waits for one.
//
//   page_open_canvas()     once: the WebGL context on the page's canvas, or false
//   page_loading(done, total)  while the pictures are prepared: the page says how far, and
//                          gets the processor back to show it and to answer
//   page_ready()           once the pictures and the music are loaded: the buttons work
//   page_wait_for_play()   until a button is clicked; sets `fullscreen` from which one
//   page_fit_canvas()      every pass: W and H from the canvas's size on screen; true when
//                          they changed
//   page_show_ended()      the end of a show: the page offers to play again
//   page_listen()          once: keys, mouse and leaving full screen become SDL events

bool page_open_canvas();
void page_loading(int done, int total);
void page_ready();
void page_wait_for_play();
bool page_fit_canvas();
void page_show_ended();
void page_listen();
