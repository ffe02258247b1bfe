#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "EncodeFixtures.h"
#include "gif/BitmapFile.h"
#include "gif/GIFErrors.h"

using namespace gif;
using namespace giftest;

namespace {

void PutLe32(Bytes& file, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::string Invalid(const Bytes& file) {
    return ErrorText<EInvalidGraphic>([&] { DibFromFileImage(file); });
}

}  // namespace

TEST(BitmapFile, ReadsWhatTheCodecWritesAtEveryDepth) {
    std::mt19937 random(41);
    for (const int depth : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE("depth " + std::to_string(depth));
        const TDib dib = RandomDib(37, 11, depth, depth == 1 ? 2 : 16, random);
        const TDib read = DibFromFileImage(dib.FileImage());
        EXPECT_EQ(read.Width, 37);
        EXPECT_EQ(read.Height, 11);
        EXPECT_EQ(read.BitCount, depth);
        EXPECT_EQ(read.Palette, dib.Palette);
        ASSERT_EQ(read.Pixels.Size(), dib.ImageSize());
        EXPECT_EQ(std::memcmp(read.Pixels.Data(), dib.Pixels.Data(), dib.ImageSize()), 0);
    }
}

TEST(BitmapFile, TopDownRowsAndShortPalettes) {
    std::mt19937 random(42);
    const TDib dib = RandomDib(5, 3, 8, 4, random);
    Bytes file = dib.FileImage();
    // Top-down: negative height, rows stored first to last.
    Bytes topDown = file;
    PutLe32(topDown, 22, static_cast<std::uint32_t>(-3));
    const std::size_t pixels = dib.PixelOffset();
    for (int y = 0; y < 3; ++y) {
        std::memcpy(topDown.data() + pixels + y * dib.Stride(), dib.Row(y), dib.Stride());
    }
    const TDib read = DibFromFileImage(topDown);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(read.PixelIndex(x, y), dib.PixelIndex(x, y));
        }
    }
    // Four palette entries given: the other 252 are black.
    Bytes shortPalette = file;
    PutLe32(shortPalette, 46, 4);
    shortPalette.erase(shortPalette.begin() + 54 + 16, shortPalette.begin() + pixels);
    PutLe32(shortPalette, 10, 54 + 16);
    const TDib fromShort = DibFromFileImage(shortPalette);
    ASSERT_EQ(fromShort.Palette.size(), 256u);
    EXPECT_EQ(fromShort.Palette[3], dib.Palette[3]);
    EXPECT_EQ(fromShort.Palette[4], (TRgbQuad{0, 0, 0, 0}));
    EXPECT_EQ(fromShort.PixelIndex(4, 2), dib.PixelIndex(4, 2));
}

TEST(BitmapFile, RefusesWhatItCannotRead) {
    const Bytes good = NewDib(4, 4, 8).FileImage();
    EXPECT_EQ(Invalid(Bytes(good.begin(), good.end() - 1)), "Bitmap ist ungültig");
    Bytes notBmp = good;
    notBmp[0] = 'X';
    EXPECT_EQ(Invalid(notBmp), "Bitmap ist ungültig");
    Bytes rle = good;
    PutLe32(rle, 30, 1);
    EXPECT_EQ(Invalid(rle), "Bitmap ist ungültig");
    Bytes sixteen = good;
    sixteen[28] = 16;
    EXPECT_EQ(Invalid(sixteen), "Bitmap ist ungültig");
    Bytes wide = good;
    PutLe32(wide, 18, 0x7FFFFFFF);
    EXPECT_EQ(Invalid(wide), "Bitmap ist ungültig");
    EXPECT_EQ(Invalid(Bytes{'B', 'M'}), "Bitmap ist ungültig");
}
