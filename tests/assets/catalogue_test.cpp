// The carried pictures against the files in media/: every blob holds its file's exact bytes.
// What the files themselves must be (sizes, formats) is the picture tool's test; that every
// blob decodes, the bank's, which loads them all.
#include "assets/catalogue.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

TEST(Catalogue, EveryBlobHoldsItsFile)
{
    std::vector<std::pair<std::string, AssetBlob>> carried = {{"logos/spinning.png", spinning_logo},
                                                              {"logos/pulsing.png", pulsing_logo}};
    for (int k = 0; k < kExtraPictureCount; ++k) {
        carried.emplace_back("extra/" + std::to_string(k) + ".png", extra_picture(k));
    }
    for (int k = 0; k < kPhotoCount; ++k) {
        carried.emplace_back((k < 10 ? "photos/0" : "photos/") + std::to_string(k) + ".jpg",
                             photo(k));
    }

    for (const auto& [name, blob] : carried) {
        std::ifstream in(std::string(CORVANEL_MEDIA_DIR) + "/" + name, std::ios::binary);
        const std::vector<unsigned char> file(std::istreambuf_iterator<char>(in), {});
        ASSERT_FALSE(file.empty()) << name;
        EXPECT_TRUE(std::vector<unsigned char>(blob.bytes, blob.bytes + blob.length) == file)
            << name << " differs from its blob";
    }
}
