// The resolution list both dialogs build: which modes become lines, what the lines say, and
// which line starts selected.
#include "setup/mode_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// Feeds modes (width, height, bits per pixel, ...) in order as a dialog does, stopping when
// the list is full; returns the lines.
std::vector<std::string> enumerate(ModeList& list, const std::vector<int>& modes)
{
    mode_list_clear(list);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i + 2 < modes.size() && !mode_list_full(list); i += 3) {
        if (mode_list_offer(list, modes[i], modes[i + 1], modes[i + 2], 32)) {
            char line[kModeLineBytes];
            format_mode_line(list.entries[list.count - 1], line, sizeof line);
            lines.emplace_back(line);
        }
    }
    return lines;
}

ModeList list;
}  // namespace

TEST(ModeList, LinesAndTheLinePreselectedForTheDefaultSize)
{
    const struct {
        std::vector<int> modes;
        std::vector<std::string> lines;
        int preselected;  // for 1024 x 768
    } cases[] = {
        // 800 x 600 at 60 and 75 Hz, then 1024 x 768.
        {{800, 600, 32, 800, 600, 32, 1024, 768, 32}, {"800 * 600", "1024 * 768"}, 1},
        {{640, 480, 16, 800, 600, 32, 1024, 768, 16, 1024, 768, 24}, {"800 * 600"}, kNoModeLine},
        {{}, {}, kNoModeLine},
        // A skipped 16-bit mode does not break a run of one size; a size that comes back after
        // another is listed again, and the last of its lines is preselected.
        {{800, 600, 32, 800, 600, 16, 800, 600, 32, 1024, 768, 32, 800, 600, 32, 1024, 768, 32},
         {"800 * 600", "1024 * 768", "800 * 600", "1024 * 768"},
         3},
        // Neighbours that share only a width or only a height are distinct sizes.
        {{1024, 768, 32, 1024, 600, 32, 1280, 600, 32, 1280, 768, 32},
         {"1024 * 768", "1024 * 600", "1280 * 600", "1280 * 768"},
         0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(enumerate(list, c.modes), c.lines) << "case " << &c - cases;
        EXPECT_EQ(mode_list_last_match(list, 1024, 768), c.preselected) << "case " << &c - cases;
    }
}

TEST(ModeList, StopsAtItsCapacity)
{
    // Alternating sizes never repeat consecutively, so every mode would be listed.
    std::vector<int> modes;
    for (int i = 0; i < kModeListCapacity + 10; ++i) {
        modes.insert(modes.end(), {i % 2 == 0 ? 800 : 1024, 600 + i, 32});
    }
    EXPECT_EQ(enumerate(list, modes).size(), static_cast<std::size_t>(kModeListCapacity));
    EXPECT_FALSE(mode_list_offer(list, 640, 480, 32, 32));
    EXPECT_EQ(list.count, kModeListCapacity);
}
