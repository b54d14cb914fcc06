// The carried pictures against the files in media/: the same bytes, and every picture decoding
// to its catalogued size.
#include "assets/catalogue.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
struct Carried {
    std::string file;  // relative to media/
    AssetBlob blob;
    int width;
    int height;
};

// In load order, with the sizes each picture must decode to.
std::vector<Carried> all_carried()
{
    constexpr int kPhotoSizes[kPhotoCount][2] = {
        {640, 429},  {410, 322},   {592, 896},  {896, 592},  {640, 480},  {553, 407},
        {574, 384},  {623, 415},   {640, 425},  {800, 600},  {1024, 768}, {1280, 960},
        {1024, 768}, {276, 300},   {1024, 757}, {640, 480},  {1024, 768}, {896, 592},
        {393, 420},  {600, 800},   {1024, 757}, {756, 504},  {542, 471},  {800, 600},
        {800, 600},  {300, 205},   {336, 448},  {1280, 960}, {800, 600},  {640, 480},
        {800, 592},  {1280, 1024}, {480, 640},  {500, 374},  {480, 640},  {344, 480}};
    constexpr int kExtraSides[kExtraPictureCount] = {256, 1024, 256, 512};
    std::vector<Carried> carried;
    for (int k = 0; k < kExtraPictureCount; ++k) {
        carried.push_back({"extra/" + std::to_string(k) + ".png", extra_picture(k), kExtraSides[k],
                           kExtraSides[k]});
    }
    for (int k = 0; k < kPhotoCount; ++k) {
        char file[32];
        std::snprintf(file, sizeof file, "photos/%02d.jpg", k);
        carried.push_back({file, photo(k), kPhotoSizes[k][0], kPhotoSizes[k][1]});
    }
    carried.push_back({"logos/spinning.png", spinning_logo, 256, 256});
    carried.push_back({"logos/pulsing.png", pulsing_logo, 512, 512});
    return carried;
}
}  // namespace

TEST(Catalogue, EveryBlobHoldsItsFileAndDecodesToItsCataloguedSize)
{
    for (const Carried& carried : all_carried()) {
        std::ifstream in(std::string(CORVANEL_MEDIA_DIR) + "/" + carried.file, std::ios::binary);
        const std::vector<unsigned char> file(std::istreambuf_iterator<char>(in), {});
        ASSERT_FALSE(file.empty()) << carried.file;
        EXPECT_TRUE(std::vector<unsigned char>(carried.blob.bytes,
                                               carried.blob.bytes + carried.blob.length) == file)
            << carried.file << " differs from its blob";

        SDL_Surface* picture = IMG_Load_RW(
            SDL_RWFromMem(const_cast<unsigned char*>(carried.blob.bytes), carried.blob.length), 1);
        ASSERT_NE(picture, nullptr) << carried.file << ": " << IMG_GetError();
        EXPECT_EQ(picture->w, carried.width) << carried.file;
        EXPECT_EQ(picture->h, carried.height) << carried.file;
        SDL_FreeSurface(picture);
    }
}

// The decode above covers a photo with bytes after its end marker only if one is carried.
TEST(Catalogue, ExactlyOnePhotoCarriesZeroBytesAfterItsEndMarker)
{
    const unsigned char padded_end[] = {0xFF, 0xD9, 0, 0, 0};
    int padded = 0;
    for (int k = 0; k < kPhotoCount; ++k) {
        const AssetBlob blob = photo(k);
        ASSERT_GE(blob.length, 5);
        const unsigned char* tail = blob.bytes + blob.length;
        EXPECT_TRUE(blob.bytes[0] == 0xFF && blob.bytes[1] == 0xD8) << "photo " << k;
        if (std::equal(padded_end, padded_end + 5, tail - 5)) {
            ++padded;
        } else {
            EXPECT_TRUE(tail[-2] == 0xFF && tail[-1] == 0xD9) << "photo " << k << " ends oddly";
        }
    }
    EXPECT_EQ(padded, 1);
}
