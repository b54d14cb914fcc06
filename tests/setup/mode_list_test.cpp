// The resolution list both dialogs build: which modes become lines, what the lines say, and
// which line starts selected.
#include "setup/mode_list.h"

#include <gtest/gtest.h>

#include <cstring>  // std::strlen
#include <string>
#include <vector>

namespace {
struct Mode {
    int width;
    int height;
    int bits_per_pixel;
};

// Feeds modes in order as a dialog does, stopping when the list is full; returns the lines.
std::vector<std::string> enumerate(ModeList& list, const std::vector<Mode>& modes)
{
    mode_list_clear(list);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < modes.size() && !mode_list_full(list); ++i) {
        if (mode_list_offer(list, modes[i].width, modes[i].height, modes[i].bits_per_pixel, 32)) {
            char line[kModeLineBytes];
            format_mode_line(list.entries[list.count - 1], line, sizeof line);
            lines.emplace_back(line);
        }
    }
    return lines;
}

ModeList list;
}  // namespace

TEST(ModeList, RefreshRatesOfOneSizeGiveOneLineAndTheDefaultIsPreselected)
{
    // 800 x 600 at 60 and 75 Hz, then 1024 x 768 at 60 Hz.
    const auto lines = enumerate(list, {{800, 600, 32}, {800, 600, 32}, {1024, 768, 32}});
    EXPECT_EQ(lines, (std::vector<std::string>{"800 * 600", "1024 * 768"}));
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.entries[1].width, 1024);
    EXPECT_EQ(list.entries[1].height, 768);
    EXPECT_EQ(mode_list_last_match(list, 1024, 768), 1);
    EXPECT_EQ(mode_list_last_match(list, 800, 600), 0);
}

TEST(ModeList, OnlyTheWantedDepthIsListedAndNothingElseMatches)
{
    const auto lines = enumerate(
        list, {{640, 480, 16}, {800, 600, 32}, {1024, 768, 16}, {1024, 768, 24}, {1280, 1024, 8}});
    EXPECT_EQ(lines, (std::vector<std::string>{"800 * 600"}));
    EXPECT_EQ(mode_list_last_match(list, 1024, 768), kNoModeLine);
    EXPECT_EQ(mode_list_last_match(list, 800, 768), kNoModeLine);
    enumerate(list, {});
    EXPECT_EQ(mode_list_last_match(list, 1024, 768), kNoModeLine);
}

TEST(ModeList, OnlyConsecutiveRepeatsAreDropped)
{
    // A 16-bit mode in between does not break a run of one size: it never reached the list.
    const auto lines = enumerate(list, {{800, 600, 32},
                                        {800, 600, 16},
                                        {800, 600, 32},
                                        {1024, 768, 32},
                                        {800, 600, 32},
                                        {600, 800, 32},
                                        {1024, 768, 32}});
    EXPECT_EQ(lines, (std::vector<std::string>{"800 * 600", "1024 * 768", "800 * 600", "600 * 800",
                                               "1024 * 768"}));
    // The line selected last wins when a size is listed twice.
    EXPECT_EQ(mode_list_last_match(list, 1024, 768), 4);
    EXPECT_EQ(mode_list_last_match(list, 800, 600), 2);
    EXPECT_EQ(mode_list_last_match(list, 600, 800), 3);
}

TEST(ModeList, StopsAtItsCapacity)
{
    // Alternating sizes never repeat consecutively, so every 32-bit mode would be listed.
    std::vector<Mode> modes;
    for (int i = 0; i < kModeListCapacity + 10; ++i) {
        modes.push_back({i % 2 == 0 ? 800 : 1024, 600 + i, 32});
    }
    const auto lines = enumerate(list, modes);
    ASSERT_EQ(list.count, kModeListCapacity);
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(kModeListCapacity));
    EXPECT_TRUE(mode_list_full(list));
    EXPECT_EQ(lines.back(), "1024 * " + std::to_string(600 + kModeListCapacity - 1));
    // Past the capacity even a new size is refused, and the list is left as it was.
    EXPECT_FALSE(mode_list_offer(list, 640, 480, 32, 32));
    EXPECT_EQ(list.count, kModeListCapacity);
    EXPECT_EQ(mode_list_last_match(list, 640, 480), kNoModeLine);
    EXPECT_EQ(mode_list_last_match(list, 800, 600 + kModeListCapacity - 2), kModeListCapacity - 2);
    // Clearing starts a fresh enumeration.
    mode_list_clear(list);
    EXPECT_TRUE(mode_list_offer(list, 640, 480, 32, 32));
    EXPECT_EQ(list.count, 1);
}

TEST(ModeLine, FormatsWidthThenHeightAndFitsItsBuffer)
{
    char line[kModeLineBytes];
    format_mode_line(ModeSize{1280, 1024}, line, sizeof line);
    EXPECT_STREQ(line, "1280 * 1024");

    // A short buffer gets a cut but terminated line; nothing is written past it.
    char small[8];
    std::memset(small, 'x', sizeof small);
    format_mode_line(ModeSize{1024, 768}, small, 6);
    EXPECT_STREQ(small, "1024 ");
    EXPECT_EQ(small[6], 'x');

    // Never more than the line buffer's size, whatever the caller claims.
    std::vector<char> big(2 * kModeLineBytes, 'x');
    format_mode_line(ModeSize{800, 600}, big.data(), big.size());
    EXPECT_EQ(std::strlen(big.data()), 9u);
    EXPECT_EQ(big[kModeLineBytes], 'x');
}
