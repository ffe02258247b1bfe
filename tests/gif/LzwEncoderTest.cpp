#include <gtest/gtest.h>

#include <random>

#include "EncodeFixtures.h"
#include "gif/GIFErrors.h"
#include "gif/LzwDecoder.h"
#include "gif/LzwEncoder.h"

using namespace gif;
using namespace giftest;

namespace {

// Encodes dib's pixels and decodes them again into a bitmap of the same layout.
TDib RoundTrip(const TDib& dib, bool interlaced, Bytes* codeOut = nullptr) {
    Bytes code;
    EncodeRaster(code, dib.Width, dib.Height, dib.BitCount, interlaced, nullptr, dib.Pixels.Data());
    TDib decoded = NewDib(dib.Width, dib.Height, dib.BitCount);
    const TRasterTarget target{decoded.Pixels.Data(), dib.Width, dib.Height, dib.BitCount};
    EXPECT_FALSE(DecodeRaster(code, dib.BitCount, interlaced, target, false, nullptr));
    if (codeOut != nullptr) {
        *codeOut = code;
    }
    return decoded;
}

int Mismatches(const TDib& a, const TDib& b) {
    int count = 0;
    for (int y = 0; y < a.Height; ++y) {
        for (int x = 0; x < a.Width; ++x) {
            count += a.PixelIndex(x, y) != b.PixelIndex(x, y);
        }
    }
    return count;
}

// Sizes of the data sub-blocks of a code stream, terminator excluded.
std::vector<int> SubBlockSizes(const Bytes& code) {
    std::vector<int> sizes;
    for (std::size_t at = 1; at < code.size() && code[at] != 0; at += code[at] + 1u) {
        sizes.push_back(code[at]);
    }
    return sizes;
}

}  // namespace

TEST(LzwEncoder, EveryDepthRoundTripsThroughTheDecoder) {
    std::mt19937 random(11);
    for (int round = 0; round < 36; ++round) {
        const int depth = round % 3 == 0 ? 1 : (round % 3 == 1 ? 4 : 8);
        const int width = 1 + static_cast<int>(random() % 400);
        const int height = 1 + static_cast<int>(random() % 150);
        const bool runs = round % 2 == 1;
        const bool interlaced = round % 5 == 0;
        SCOPED_TRACE("round " + std::to_string(round));
        const TDib dib = RandomDib(width, height, depth, 1 << depth, random, runs);
        EXPECT_EQ(Mismatches(dib, RoundTrip(dib, interlaced)), 0);
    }
}

TEST(LzwEncoder, LongNoiseClearsTheTableAndKeepsFullSubBlocks) {
    std::mt19937 random(12);
    const TDib dib = RandomDib(512, 300, 8, 256, random);
    Bytes code;
    EXPECT_EQ(Mismatches(dib, RoundTrip(dib, false, &code)), 0);
    EXPECT_EQ(code.front(), 8);
    EXPECT_EQ(code.back(), 0);
    const std::vector<int> sizes = SubBlockSizes(code);
    ASSERT_GT(sizes.size(), 100u);
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i) {
        ASSERT_EQ(sizes[i], 255);
    }
    // Noise hardly compresses: every 12-bit code covers little more than one pixel, and about
    // every 3836 codes the table starts again with 9-bit codes.
    EXPECT_LT(code.size(), 512u * 300u * 12u / 8u);
}

TEST(LzwEncoder, SingleColourCompressesToGrowingStrings) {
    TDib dib = NewDib(1000, 1000, 8);
    Bytes code;
    EXPECT_EQ(Mismatches(dib, RoundTrip(dib, false, &code)), 0);
    // Strings of 1, 2, 3, ... pixels: about sqrt(2 * 10^6) codes.
    EXPECT_LT(code.size(), 3000u);
}

TEST(LzwEncoder, MinimumCodeSizeFollowsTheDepth) {
    for (const auto& [depth, minimum] : {std::pair{1, 2}, std::pair{4, 4}, std::pair{8, 8}}) {
        const TDib dib = NewDib(3, 3, depth);
        Bytes code;
        RoundTrip(dib, false, &code);
        EXPECT_EQ(code.front(), minimum);
    }
    Bytes code;
    const TDib dib = NewDib(3, 3, 24);
    EXPECT_EQ(ErrorText<EInvalidGraphicOperation>(
                  [&] { EncodeRaster(code, 3, 3, 24, false, nullptr, dib.Pixels.Data()); }),
              "GIF image encoding error");
}
