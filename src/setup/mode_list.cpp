#include "setup/mode_list.h"

#include <algorithm>  // std::min
#include <cstdio>     // std::snprintf

ModeList mode_list;

void mode_list_clear(ModeList& list)
{
    list.count = 0;
}

bool mode_list_full(const ModeList& list)
{
    return list.count >= kModeListCapacity;
}

bool mode_list_offer(ModeList& list, std::int32_t width, std::int32_t height,
                     std::int32_t bits_per_pixel, std::int32_t wanted_bits_per_pixel)
{
    if (bits_per_pixel != wanted_bits_per_pixel || mode_list_full(list)) {
        return false;
    }
    if (list.count > 0) {
        const ModeSize& last = list.entries[list.count - 1];
        if (last.width == width && last.height == height) {
            return false;
        }
    }
    list.entries[list.count] = ModeSize{width, height};
    ++list.count;
    return true;
}

void format_mode_line(const ModeSize& size, char* line, std::size_t bytes)
{
    std::snprintf(line, std::min(bytes, kModeLineBytes), "%d * %d", static_cast<int>(size.width),
                  static_cast<int>(size.height));
}

int mode_list_last_match(const ModeList& list, std::int32_t width, std::int32_t height)
{
    int match = kNoModeLine;
    for (int k = 0; k < list.count; ++k) {
        if (list.entries[k].width == width && list.entries[k].height == height) {
            match = k;
        }
    }
    return match;
}
