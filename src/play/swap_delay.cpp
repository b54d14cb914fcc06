// Pure arithmetic over a ring of notes; the loop's ticks are read by the show's clock.
#include "play/swap_delay.h"

#include <algorithm>  // std::clamp, std::copy_n, std::nth_element
#include <array>

namespace {
// A pass longer than this did not draw slowly: the process stood still (stopped, or a clock a
// test moved). Counted at this length, it cannot pull the median far.
constexpr std::int32_t kLongestDrawingMs = 250;

std::array<std::int32_t, kSwapDelayPasses> notes{};
int noted = 0;  // notes taken so far; the next goes at noted % kSwapDelayPasses
}  // namespace

void swap_delay_note(std::int32_t ms)
{
    notes[noted % kSwapDelayPasses] = std::clamp(ms, 0, kLongestDrawingMs);
    ++noted;
}

std::int32_t swap_delay_ms()
{
    const int count = std::min(noted, kSwapDelayPasses);
    if (count == 0) {
        return 0;
    }
    std::array<std::int32_t, kSwapDelayPasses> sorted{};
    std::copy_n(notes.begin(), count, sorted.begin());
    std::nth_element(sorted.begin(), sorted.begin() + count / 2, sorted.begin() + count);
    return sorted[count / 2];
}
