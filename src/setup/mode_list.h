#pragma once
// The resolution list the setup dialog offers, free of any toolkit so that the Linux and the
// Windows dialogs build exactly the same list. A dialog feeds the display's modes in the
// platform's order to mode_list_offer(); each accepted mode becomes one line of the list,
// and line k is entry k, which is why the dialog's list must never sort its lines.
//
//   mode_list_clear(list)                  empty the list before enumerating
//   mode_list_full(list)                   stop enumerating: the list holds kModeListCapacity
//   mode_list_offer(list, w, h, bpp, want) true when the mode became a new line
//   format_mode_line(size, line, bytes)    the line's text, "800 * 600"
//   mode_list_last_match(list, w, h)       the line to preselect, or kNoModeLine

#include <cstddef>  // std::size_t
#include <cstdint>

struct ModeSize {
    std::int32_t width;
    std::int32_t height;
};

constexpr int kModeListCapacity = 4096;
// A line is formatted into a buffer of this many bytes at most.
constexpr std::size_t kModeLineBytes = 500;
// What a list reports when no line is selected (a combo box's CB_ERR, GTK's -1).
constexpr int kNoModeLine = -1;

struct ModeList {
    ModeSize entries[kModeListCapacity];
    int count;
};

// The list the dialog on screen fills; filled while it opens, read when Run is pressed.
extern ModeList mode_list;

void mode_list_clear(ModeList& list);
bool mode_list_full(const ModeList& list);

// Accepts a mode only at the wanted depth, only if the list has room, and only if its size
// differs from the entry appended last: a size enumerated at several refresh rates in a row
// is listed once, a size that comes back after another one is listed again.
bool mode_list_offer(ModeList& list, std::int32_t width, std::int32_t height,
                     std::int32_t bits_per_pixel, std::int32_t wanted_bits_per_pixel);

// Writes the line for one entry into `line` (at most min(bytes, kModeLineBytes) bytes,
// always terminated).
void format_mode_line(const ModeSize& size, char* line, std::size_t bytes);

// The last line whose entry is width x height, or kNoModeLine when none is.
int mode_list_last_match(const ModeList& list, std::int32_t width, std::int32_t height);
