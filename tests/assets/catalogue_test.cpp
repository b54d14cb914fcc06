// The carried pictures against the files in media/: the same bytes, the formats the bank
// expects, and every picture decoding to its catalogued size.
#include "assets/catalogue.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
struct Size {
    int width;
    int height;
};

// The photographs' pixel sizes, in set order.
constexpr Size kPhotoSizes[kPhotoCount] = {
    {640, 429},  {410, 322},   {592, 896},  {896, 592},  {640, 480},  {553, 407},
    {574, 384},  {623, 415},   {640, 425},  {800, 600},  {1024, 768}, {1280, 960},
    {1024, 768}, {276, 300},   {1024, 757}, {640, 480},  {1024, 768}, {896, 592},
    {393, 420},  {600, 800},   {1024, 757}, {756, 504},  {542, 471},  {800, 600},
    {800, 600},  {300, 205},   {336, 448},  {1280, 960}, {800, 600},  {640, 480},
    {800, 592},  {1280, 1024}, {480, 640},  {500, 374},  {480, 640},  {344, 480}};
constexpr Size kExtraSizes[kExtraPictureCount] = {{256, 256}, {1024, 1024}, {256, 256}, {512, 512}};

struct Carried {
    std::string file;  // relative to media/
    AssetBlob blob;
};

std::vector<Carried> all_carried()
{
    std::vector<Carried> carried;
    for (int k = 0; k < kExtraPictureCount; ++k) {
        carried.push_back({"extra/" + std::to_string(k) + ".png", extra_picture(k)});
    }
    for (int k = 0; k < kPhotoCount; ++k) {
        char file[32];
        std::snprintf(file, sizeof file, "photos/%02d.jpg", k);
        carried.push_back({file, photo(k)});
    }
    carried.push_back({"logos/spinning.png", spinning_logo});
    carried.push_back({"logos/pulsing.png", pulsing_logo});
    return carried;
}

std::vector<unsigned char> file_bytes(const std::string& relative)
{
    std::ifstream in(std::string(CORVANEL_MEDIA_DIR) + "/" + relative, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::vector<unsigned char> blob_bytes(const AssetBlob& blob)
{
    return std::vector<unsigned char>(blob.bytes, blob.bytes + blob.length);
}

Size decoded_size(const AssetBlob& blob)
{
    SDL_Surface* picture =
        IMG_Load_RW(SDL_RWFromMem(const_cast<unsigned char*>(blob.bytes), blob.length), 1);
    if (picture == nullptr) {
        ADD_FAILURE() << "does not decode: " << IMG_GetError();
        return Size{0, 0};
    }
    const Size size{picture->w, picture->h};
    SDL_FreeSurface(picture);
    return size;
}

bool ends_with(const AssetBlob& blob, const std::vector<unsigned char>& tail)
{
    return blob.length >= static_cast<std::int32_t>(tail.size()) &&
           std::equal(tail.begin(), tail.end(), blob.bytes + blob.length - tail.size());
}
}  // namespace

TEST(Catalogue, EveryBlobHoldsItsFileUnchanged)
{
    for (const Carried& carried : all_carried()) {
        const std::vector<unsigned char> file = file_bytes(carried.file);
        ASSERT_FALSE(file.empty()) << carried.file;
        EXPECT_EQ(carried.blob.length, static_cast<std::int32_t>(file.size())) << carried.file;
        EXPECT_TRUE(blob_bytes(carried.blob) == file) << carried.file << " differs from its blob";
    }
}

TEST(Catalogue, EveryPictureDecodesToItsCataloguedSize)
{
    for (int k = 0; k < kPhotoCount; ++k) {
        const Size size = decoded_size(photo(k));
        EXPECT_EQ(size.width, kPhotoSizes[k].width) << "photo " << k;
        EXPECT_EQ(size.height, kPhotoSizes[k].height) << "photo " << k;
    }
    for (int k = 0; k < kExtraPictureCount; ++k) {
        const Size size = decoded_size(extra_picture(k));
        EXPECT_EQ(size.width, kExtraSizes[k].width) << "extra " << k;
        EXPECT_EQ(size.height, kExtraSizes[k].height) << "extra " << k;
    }
    const Size spinning = decoded_size(spinning_logo);
    EXPECT_EQ(spinning.width, 256);
    EXPECT_EQ(spinning.height, 256);
    const Size pulsing = decoded_size(pulsing_logo);
    EXPECT_EQ(pulsing.width, 512);
    EXPECT_EQ(pulsing.height, 512);
}

TEST(Catalogue, ExactlyOnePhotoCarriesZeroBytesAfterItsEndMarker)
{
    const std::vector<unsigned char> end_marker = {0xFF, 0xD9};
    const std::vector<unsigned char> padded_end = {0xFF, 0xD9, 0, 0, 0};
    int padded = 0;
    for (int k = 0; k < kPhotoCount; ++k) {
        const AssetBlob blob = photo(k);
        ASSERT_GE(blob.length, 4);
        EXPECT_TRUE(blob.bytes[0] == 0xFF && blob.bytes[1] == 0xD8)
            << "photo " << k << " is no JPEG";
        if (ends_with(blob, padded_end)) {
            ++padded;
        } else {
            EXPECT_TRUE(ends_with(blob, end_marker)) << "photo " << k << " ends oddly";
        }
    }
    EXPECT_EQ(padded, 1);
}
