#include <gtest/gtest.h>

#include <random>

#include "GifBytes.h"
#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"

using namespace gif;
using namespace giftest;

namespace {

// An animation with most kinds of blocks: global and local tables, interlace, extensions,
// several sub-blocks.
Bytes Sample() {
    TGifBytes gif;
    gif.Header().Screen(8, 6, 2).Application("NETSCAPE2.0", {1, 0, 0}).Comment({"hello"});
    TCodePacker packer;
    for (int i = 0; i < 48; ++i) {
        packer.Put(4, 3).Put(static_cast<std::uint32_t>(i % 4), 3);
    }
    const Bytes codes = packer.Put(5, 3).Finish();
    gif.GraphicControl(1 | 1 << 2, 10, 3).Descriptor(0, 0, 8, 6);
    gif.Raw({2}).Raw(SubBlocks(codes, 5));
    gif.GraphicControl(0, 20, 0).Descriptor(2, 1, 4, 4, true, 3);
    gif.Raw({3}).Raw(SubBlocks(TCodePacker().Put(8, 4).Put(5, 4).Put(6, 4).Put(9, 4).Finish()));
    gif.Comment({"end"}).Trailer();
    return gif.Data();
}

// Loads and decodes everything; any codec error is an acceptable end, nothing else is.
void LoadAll(const Bytes& data, bool acceptDamaged = true) {
    TGIFImage image;
    image.FAcceptDamaged = acceptDamaged;
    try {
        Load(image, data, false);
    } catch (const EGifError&) {
    }
    for (int i = 0; i < image.FrameCount(); ++i) {
        try {
            image.Frame(i).FrameBitmap();
        } catch (const EGifError&) {
        }
    }
}

}  // namespace

TEST(MalformedInput, SampleIsValid) {
    TGIFImage image;
    Load(image, Sample());
    ASSERT_EQ(image.FrameCount(), 2);
    EXPECT_FALSE(image.Frame(0).FIsCorrupt);
    EXPECT_TRUE(image.FHasLoopBlock);
    EXPECT_EQ(image.FShared->FCommentLines, (TBlockLines{"end"}));
}

TEST(MalformedInput, TruncatedAnywhereEndsWithErrorOrCorruptFlag) {
    const Bytes full = Sample();
    for (const bool accept : {true, false}) {
        for (std::size_t n = 0; n < full.size(); ++n) {
            LoadAll(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)), accept);
        }
    }
}

TEST(MalformedInput, MutatedBytesNeverEscapeAsOtherErrors) {
    const Bytes full = Sample();
    std::mt19937 random(12345);
    for (const bool accept : {true, false}) {
        for (int round = 0; round < 3000; ++round) {
            Bytes data = full;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int c = 0; c < changes; ++c) {
                data[random() % data.size()] = static_cast<std::uint8_t>(random());
            }
            LoadAll(data, accept);
        }
    }
}

TEST(MalformedInput, GarbageAndHugeDimensions) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        Bytes data = {'G', 'I', 'F', '8', '9', 'a'};
        for (int i = 0; i < 300; ++i) {
            data.push_back(static_cast<std::uint8_t>(random()));
        }
        LoadAll(data);
    }
    // A frame of 65535 x 65535 whose data end after one pixel: refused up front by default; with
    // the limit raised, the rest stays 0.
    TGifBytes huge;
    huge.Header().Screen(65535, 65535, 1).Descriptor(0, 0, 65535, 65535).Raster(2, OnePixelCodes());
    TGIFImage image;
    EXPECT_THROW(Load(image, huge.Data(), true), EFrameTooLarge);
    EXPECT_EQ(image.FrameCount(), 0);
    image.FMaxPixels = std::int64_t{65535} * 65535;
    Load(image, huge.Data(), false);
    const TDib& dib = image.Frame(0).FrameBitmap();
    EXPECT_EQ(dib.BitCount, 1);
    EXPECT_EQ(dib.PixelIndex(0, 0), 1);
    EXPECT_EQ(dib.PixelIndex(1, 0), 0);
    EXPECT_EQ(dib.PixelIndex(65534, 65534), 0);
}
