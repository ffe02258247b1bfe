#include <gtest/gtest.h>

#include <map>
#include <random>

#include "EncodeFixtures.h"
#include "gif/ColorReduction.h"
#include "gif/GIFErrors.h"

using namespace gif;
using namespace giftest;

namespace {

void SetColor(TDib& dib, int x, int y, TColor c) {
    std::uint8_t* p = const_cast<std::uint8_t*>(dib.Row(y)) + x * (dib.BitCount / 8);
    p[0] = static_cast<std::uint8_t>(c >> 16);
    p[1] = static_cast<std::uint8_t>(c >> 8);
    p[2] = static_cast<std::uint8_t>(c);
}

TColor QuadColor(const TRgbQuad& q) {
    return TColor(q[2]) | TColor(q[1]) << 8 | TColor(q[0]) << 16;
}

int Distance(TColor a, TColor b) {
    int sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        sum += d * d;
    }
    return sum;
}

}  // namespace

TEST(ColorReduction, GreyLevelsWeighTheComponents) {
    TDib dib = NewDib(3, 1, 32);
    SetColor(dib, 0, 0, 0x0000FF);  // red
    SetColor(dib, 1, 0, 0x00FF00);  // green
    SetColor(dib, 2, 0, 0xFFFFFF);
    const TDib grey = ReduceToIndexed(dib, rmGrey);
    EXPECT_EQ(grey.BitCount, 8);
    ASSERT_EQ(grey.Palette.size(), 256u);
    EXPECT_EQ(QuadColor(grey.Palette[200]), 0xC8C8C8u);
    EXPECT_EQ(grey.PixelIndex(0, 0), 77 * 255 >> 8);
    EXPECT_EQ(grey.PixelIndex(1, 0), 150 * 255 >> 8);
    EXPECT_EQ(grey.PixelIndex(2, 0), 255);
}

TEST(ColorReduction, PopularColoursComeFirstAndTheRestMapToTheNearest) {
    std::mt19937 random(21);
    TDib dib = NewDib(100, 30, 24);
    std::map<TColor, int> counts;
    for (int y = 0; y < dib.Height; ++y) {
        for (int x = 0; x < dib.Width; ++x) {
            // 300 colours, the low ones far more frequent than the high ones.
            const int n = static_cast<int>(random() % 300 * (random() % 300) / 300);
            const TColor c = static_cast<TColor>(n * 40503u) & 0xFFFFFF;
            SetColor(dib, x, y, c);
            ++counts[c];
        }
    }
    const TDib out = ReduceToIndexed(dib, rmPopularity);
    int lowestChosen = 1 << 30;
    std::map<TColor, bool> chosen;
    for (const TRgbQuad& q : out.Palette) {
        chosen[QuadColor(q)] = true;
        lowestChosen = std::min(lowestChosen, counts[QuadColor(q)]);
    }
    for (int i = 1; i < 256; ++i) {
        EXPECT_LE(counts[QuadColor(out.Palette[i])], counts[QuadColor(out.Palette[i - 1])]);
    }
    for (const auto& [color, count] : counts) {
        if (!chosen[color]) {
            EXPECT_LE(count, lowestChosen);
        }
    }
    for (int y = 0; y < dib.Height; ++y) {
        for (int x = 0; x < dib.Width; ++x) {
            const TColor original = PixelColor(dib, x, y);
            const TColor mapped = QuadColor(out.Palette[out.PixelIndex(x, y)]);
            int best = 1 << 30;
            for (const TRgbQuad& q : out.Palette) {
                best = std::min(best, Distance(original, QuadColor(q)));
            }
            ASSERT_EQ(Distance(original, mapped), best);
        }
    }
}

TEST(ColorReduction, ManyColoursAreCoarsenedBlueFirst) {
    std::mt19937 random(22);
    TDib dib = NewDib(64, 64, 24);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            SetColor(dib, x, y, random() & 0xFFFFFF);
        }
    }
    const TDib out = ReduceToIndexed(dib, rmPopularity);
    // 4096 random colours: the masks coarsen until at most 2049 distinct ones remain, blue,
    // red and green losing low bits in turn; so every entry has its lowest blue bit clear.
    for (const TRgbQuad& q : out.Palette) {
        EXPECT_EQ(q[0] & 1, 0);
    }
}

TEST(ColorReduction, FewColoursLeaveGreyEntries) {
    TDib dib = NewDib(4, 4, 24);
    SetColor(dib, 1, 1, 0x0000FF);
    const TDib out = ReduceToIndexed(dib, rmPopularity);
    EXPECT_EQ(QuadColor(out.Palette[0]), 0u);  // 15 black pixels
    EXPECT_EQ(QuadColor(out.Palette[1]), 0x0000FFu);
    EXPECT_EQ(QuadColor(out.Palette[2]), 0x808080u);
    EXPECT_EQ(out.PixelIndex(1, 1), 1);
}

TEST(ColorReduction, BitmapWithoutPixelsIsInvalid) {
    TDib dib;
    dib.Width = 5;
    dib.Height = 5;
    dib.BitCount = 24;
    EXPECT_EQ(ErrorText<EInvalidGraphic>([&] { ReduceToIndexed(dib, rmPopularity); }),
              "Bitmap ist ungültig");
}
