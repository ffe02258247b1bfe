#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <vector>

#include "GifBytes.h"
#include "gif/GIFErrors.h"
#include "gif/GIFFrame.h"
#include "gif/GIFImage.h"
#include "gif/LzwDecoder.h"

using namespace gif;
using namespace giftest;

namespace {

constexpr int kClear2 = 4;  // clear code at minimum code size 2
constexpr int kEnd2 = 5;

Bytes CodeStream(int minCodeSize, const Bytes& codes) {
    Bytes stream = {static_cast<std::uint8_t>(minCodeSize)};
    const Bytes blocks = SubBlocks(codes);
    stream.insert(stream.end(), blocks.begin(), blocks.end());
    return stream;
}

struct TDecoded {
    TDib Dib;
    std::vector<int> Pixels;  // top-down, left to right
    bool Corrupt = false;
};

TDecoded Decode(const Bytes& stream, int width, int height, int frameBits,
                bool interlaced = false) {
    TGIFFrame frame(nullptr);
    frame.FItem->FCodeStream = stream;
    frame.FItem->FPixelWidth = width;
    frame.FItem->FPixelHeight = height;
    frame.FItem->FItemBits = static_cast<std::uint8_t>(frameBits);
    frame.FItem->FItemTable.Count = 1 << frameBits;
    frame.FIsInterlaced = interlaced;
    TDecoded out;
    out.Dib = frame.BuildDib();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out.Pixels.push_back(out.Dib.PixelIndex(x, y));
        }
    }
    out.Corrupt = frame.FIsCorrupt;
    return out;
}

class TRecordingNotify : public IGIFNotify {
  public:
    struct Report {
        TProgressStage Stage;
        int Percent;
        std::string Message;
    };
    void Progress(TProgressStage stage, int percent, bool, const std::string& message) override {
        FReports.push_back({stage, percent, message});
    }
    void Changed() override {}
    std::vector<Report> FReports;
};

}  // namespace

TEST(LzwDecoder, TwoColoursGiveOneBitBitmapAndUnsetCodesGiveZeros) {
    const Bytes codes = TCodePacker()
                            .Put(kClear2, 3)
                            .Put(1, 3)
                            .Put(2, 3)
                            .Put(3, 3)
                            .Put(1, 4)
                            .Put(kEnd2, 4)
                            .Finish();
    const TDecoded d = Decode(CodeStream(2, codes), 10, 1, 1);
    EXPECT_EQ(d.Dib.BitCount, 1);
    EXPECT_EQ(d.Dib.Stride(), 4u);
    EXPECT_EQ(d.Dib.Palette.size(), 2u);
    EXPECT_EQ(d.Pixels, (std::vector<int>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0}));
    EXPECT_FALSE(d.Corrupt);
}

// Encoders that use few colours of a large table write a smaller code size: the codes above the
// end code are still the table's, not literals.
TEST(LzwDecoder, CodeSizeSmallerThanTheTableKeepsTableCodes) {
    const Bytes codes =
        TCodePacker().Put(kClear2, 3).Put(1, 3).Put(6, 3).Put(3, 3).Put(kEnd2, 4).Finish();
    const TDecoded d = Decode(CodeStream(2, codes), 5, 1, 8);
    EXPECT_EQ(d.Pixels, (std::vector<int>{1, 1, 1, 3, 0}));
    EXPECT_FALSE(d.Corrupt);
}

TEST(LzwDecoder, PaletteBeyondTheTableIsGrey) {
    TGIFFrame frame(nullptr);
    frame.FItem->FCodeStream = CodeStream(3, TCodePacker().Put(8, 4).Put(7, 4).Put(9, 4).Finish());
    frame.FItem->FPixelWidth = 3;
    frame.FItem->FPixelHeight = 2;
    frame.FItem->FItemBits = 3;
    frame.FItem->FItemTable.Count = 8;
    frame.FItem->FItemTable.Entries[7] = {10, 20, 30};
    const TDib dib = frame.BuildDib();
    EXPECT_EQ(dib.BitCount, 4);
    ASSERT_EQ(dib.Palette.size(), 16u);
    EXPECT_EQ(dib.Palette[7], (TRgbQuad{30, 20, 10, 0}));
    for (int i = 8; i < 16; ++i) {
        EXPECT_EQ(dib.Palette[i], (TRgbQuad{128, 128, 128, 128}));
    }
    EXPECT_EQ(dib.PixelIndex(0, 0), 7);
    const Bytes file = dib.FileImage();
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[10], 54 + 64);  // pixel offset
    EXPECT_EQ(file.size(), 54u + 64u + 2 * 4);
}

TEST(LzwDecoder, InterlacedRowsComeInPassOrder) {
    // One clear code and literal per row: rows are visited 0, 4, 2, 1, 3.
    TCodePacker packer;
    for (int value : {1, 2, 3, 1, 2}) {
        packer.Put(kClear2, 3).Put(static_cast<std::uint32_t>(value), 3);
    }
    const TDecoded d = Decode(CodeStream(2, packer.Put(kEnd2, 3).Finish()), 1, 5, 2, true);
    EXPECT_EQ(d.Pixels, (std::vector<int>{1, 1, 3, 2, 2}));

    const TDecoded one = Decode(CodeStream(2, OnePixelCodes(3)), 1, 1, 2, true);
    EXPECT_EQ(one.Pixels, (std::vector<int>{3}));

    std::vector<int> order;
    int pass = 0;
    for (int row = 0; row < 20; row = NextInterlacedRow(row, 20, pass)) {
        order.push_back(row);
    }
    EXPECT_EQ(order, (std::vector<int>{0, 8, 16, 4, 12, 2,  6,  10, 14, 18,
                                       1, 3, 5,  7, 9,  11, 13, 15, 17, 19}));
}

TEST(LzwDecoder, ClearCodeFollowedByEndCodeWritesOnePixelAndReadsOn) {
    const Bytes codes =
        TCodePacker().Put(kClear2, 3).Put(kEnd2, 3).Put(2, 3).Put(kEnd2, 3).Finish();
    const TDecoded d = Decode(CodeStream(2, codes), 4, 1, 2);
    EXPECT_EQ(d.Pixels, (std::vector<int>{1, 2, 0, 0}));
    EXPECT_FALSE(d.Corrupt);
}

// Two clear codes in a row are legal (other encoders write them): the second resets again and
// writes nothing. Under the bare literal rule it would write a pixel and shift the picture.
TEST(LzwDecoder, ClearCodeAfterClearCodeWritesNothing) {
    const Bytes codes =
        TCodePacker().Put(kClear2, 3).Put(kClear2, 3).Put(1, 3).Put(2, 3).Put(kEnd2, 3).Finish();
    const TDecoded d = Decode(CodeStream(2, codes), 2, 1, 2);
    EXPECT_EQ(d.Pixels, (std::vector<int>{1, 2}));
    EXPECT_FALSE(d.Corrupt);
}

TEST(LzwDecoder, RunOfClearCodesWritesNothing) {
    TCodePacker packer;
    for (int i = 0; i < 5; ++i) {
        packer.Put(kClear2, 3);
    }
    const Bytes codes =
        packer.Put(3, 3).Put(kClear2, 3).Put(kClear2, 3).Put(2, 3).Put(kEnd2, 3).Finish();
    const TDecoded d = Decode(CodeStream(2, codes), 3, 1, 2);
    EXPECT_EQ(d.Pixels, (std::vector<int>{3, 2, 0}));
    EXPECT_FALSE(d.Corrupt);
}

// The first clear code is read at the grown width, the second at the initial width again; the
// table built before them is gone afterwards.
TEST(LzwDecoder, ClearCodePairAfterTheCodeSizeGrew) {
    const Bytes codes = TCodePacker()
                            .Put(kClear2, 3)
                            .Put(1, 3)
                            .Put(2, 3)
                            .Put(6, 3)  // 1 2; entry 7 makes the table reach 8: 4-bit codes
                            .Put(kClear2, 4)
                            .Put(kClear2, 3)
                            .Put(3, 3)
                            .Put(0, 3)
                            .Put(6, 3)  // 3 0, newly defined after the clears
                            .Put(kEnd2, 3)
                            .Finish();
    const TDecoded d = Decode(CodeStream(2, codes), 8, 1, 2);
    EXPECT_EQ(d.Pixels, (std::vector<int>{1, 2, 1, 2, 3, 0, 3, 0}));
    EXPECT_FALSE(d.Corrupt);
}

// Clear pairs at the start of every row of an interlaced 8-bit frame wide enough for the decoder's
// string copies; the end code right after a pair keeps its rule (one pixel, then reading on).
TEST(LzwDecoder, ClearCodePairsInEightBitRowsAndBeforeTheEndCode) {
    constexpr int kClear8 = 256;
    constexpr int kEnd8 = 257;
    TCodePacker packer;
    for (int row = 0; row < 4; ++row) {
        packer.Put(kClear8, 9).Put(kClear8, 9);
        // 12 pixels per row: a, b, ab (258), aba (260, the code being defined), ba (259), aba.
        const int a = 10 + row;
        const int b = 20 + row;
        packer.Put(static_cast<std::uint32_t>(a), 9).Put(static_cast<std::uint32_t>(b), 9);
        packer.Put(258, 9).Put(260, 9).Put(259, 9).Put(260, 9);
    }
    packer.Put(kClear8, 9).Put(kClear8, 9).Put(kEnd8, 9).Put(7, 9).Put(kEnd8, 9);
    const TDecoded d = Decode(CodeStream(8, packer.Finish()), 12, 5, 8, true);
    std::vector<int> expected;
    // Rows in interlaced order 0, 4, 2, 1, 3; the fifth pass row is the end-code row.
    const int rowOfPass[5] = {0, 3, 2, 4, 1};
    for (int y = 0; y < 5; ++y) {
        const int pass = rowOfPass[y];
        if (pass == 4) {
            expected.insert(expected.end(), {kEnd8 & 0xFF, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
            continue;
        }
        const int a = 10 + pass;
        const int b = 20 + pass;
        expected.insert(expected.end(), {a, b, a, b, a, b, a, b, a, a, b, a});
    }
    EXPECT_EQ(d.Pixels, expected);
    EXPECT_FALSE(d.Corrupt);
}

TEST(LzwDecoder, ClearCodePairWithCodeSizeOutOfRangeReadsOn) {
    TAcceptDamaged accept(true);
    const Bytes codes = TCodePacker()
                            .Put(512, 10)
                            .Put(512, 10)
                            .Put(1, 10)
                            .Put(512, 10)
                            .Put(512, 10)
                            .Put(2, 10)
                            .Put(3, 10)
                            .Finish();
    const TDecoded d = Decode(CodeStream(11, codes), 4, 1, 2);
    EXPECT_EQ(d.Pixels, (std::vector<int>{1, 2, 0, 0}));
    EXPECT_TRUE(d.Corrupt);
}

TEST(LzwDecoder, StringsRunAcrossRowEndsAndEndCodeLeavesZeros) {
    const Bytes codes = TCodePacker()
                            .Put(kClear2, 3)
                            .Put(1, 3)
                            .Put(2, 3)
                            .Put(6, 3)
                            .Put(7, 4)
                            .Put(kEnd2, 4)
                            .Finish();
    const TDecoded d = Decode(CodeStream(2, codes), 3, 3, 2);
    EXPECT_EQ(d.Pixels, (std::vector<int>{1, 2, 1, 2, 2, 1, 0, 0, 0}));
    EXPECT_FALSE(d.Corrupt);
}

TEST(LzwDecoder, StopsAtTheLastRowWithoutReadingFurther) {
    Bytes stream = CodeStream(
        2, TCodePacker().Put(kClear2, 3).Put(1, 3).Put(2, 3).Put(3, 3).Put(3, 3).Finish());
    stream.pop_back();  // no terminator: a block follows that claims more than there is
    stream.insert(stream.end(), {50, 1, 2});
    const TDecoded d = Decode(stream, 2, 1, 2);
    EXPECT_EQ(d.Pixels, (std::vector<int>{1, 2}));
    EXPECT_FALSE(d.Corrupt);

    // Needing that block raises.
    EXPECT_EQ(ErrorText<EReadError>([&] { Decode(stream, 5, 1, 2); }), "Stream-Lesefehler");
}

TEST(LzwDecoder, DataEndingEarlyMarksCorrupt) {
    const TDecoded d =
        Decode(CodeStream(2, TCodePacker().Put(kClear2, 3).Put(1, 3).Finish()), 4, 1, 2);
    EXPECT_EQ(d.Pixels, (std::vector<int>{1, 0, 0, 0}));
    EXPECT_TRUE(d.Corrupt);
    EXPECT_EQ(ErrorText<EReadError>([&] { Decode({}, 4, 1, 2); }), "Stream-Lesefehler");
}

TEST(LzwDecoder, CodeSizeOutOfRange) {
    // Clamped to 9: 10-bit codes, clear code 512.
    const Bytes codes = TCodePacker()
                            .Put(512, 10)
                            .Put(1, 10)
                            .Put(512, 10)
                            .Put(2, 10)
                            .Put(3, 10)
                            .Put(513, 10)
                            .Finish();
    {
        TAcceptDamaged accept(true);
        const TDecoded d = Decode(CodeStream(11, codes), 4, 1, 2);
        EXPECT_EQ(d.Pixels, (std::vector<int>{1, 2, 0, 0}));
        EXPECT_TRUE(d.Corrupt);
    }
    {
        TAcceptDamaged accept(false);
        EXPECT_EQ(
            ErrorText<EInvalidGraphicOperation>([&] { Decode(CodeStream(11, codes), 4, 1, 2); }),
            "GIF code size not in range 2 to 9");
        EXPECT_EQ(
            ErrorText<EInvalidGraphicOperation>([&] { Decode(CodeStream(1, codes), 4, 1, 2); }),
            "GIF code size not in range 2 to 9");
    }
}

TEST(LzwDecoder, LoopInTheCodeTable) {
    // Code 7 is given before it exists, so the entry for 7 gets 7 itself as prefix.
    const Bytes codes = TCodePacker()
                            .Put(kClear2, 3)
                            .Put(0, 3)
                            .Put(7, 3)
                            .Put(7, 3)
                            .Put(7, 4)
                            .Put(kEnd2, 4)
                            .Finish();
    {
        TAcceptDamaged accept(true);
        EXPECT_TRUE(Decode(CodeStream(2, codes), 16, 1, 2).Corrupt);
    }
    {
        TAcceptDamaged accept(false);
        EXPECT_EQ(
            ErrorText<EInvalidGraphicOperation>([&] { Decode(CodeStream(2, codes), 16, 1, 2); }),
            "GIF encoded data is corrupt");
    }
}

TEST(LzwDecoder, EmptyFrameWritesNoPixels) {
    const TDecoded wide = Decode(CodeStream(2, OnePixelCodes()), 0, 3, 2);
    EXPECT_TRUE(wide.Dib.Empty());
    EXPECT_EQ(wide.Dib.ImageSize(), 0u);
    const TDecoded flat = Decode(CodeStream(2, OnePixelCodes()), 3, 0, 2);
    EXPECT_EQ(flat.Dib.ImageSize(), 0u);
}

TEST(LzwDecoder, ReportsProgressFromStartToEnd) {
    TCodePacker packer;
    packer.Put(kClear2, 3);
    for (int i = 0; i < 600; ++i) {
        packer.Put(kClear2, 3).Put(static_cast<std::uint32_t>(i % 4), 3);
    }
    const Bytes stream = CodeStream(2, packer.Put(kEnd2, 3).Finish());
    std::vector<std::uint8_t> pixels(600 + kPixelReadSlack);
    TRecordingNotify notify;
    const TRasterTarget target{pixels.data(), 600, 1, 8};
    DecodeRaster(stream, 2, false, target, true, &notify);
    ASSERT_GE(notify.FReports.size(), 3u);
    EXPECT_EQ(notify.FReports.front().Stage, psStarting);
    EXPECT_EQ(notify.FReports.back().Stage, psEnding);
    EXPECT_EQ(notify.FReports.back().Percent, 100);
    int last = 0;
    for (std::size_t i = 1; i + 1 < notify.FReports.size(); ++i) {
        EXPECT_EQ(notify.FReports[i].Stage, psRunning);
        EXPECT_GE(notify.FReports[i].Percent, last);
        last = notify.FReports[i].Percent;
    }
    EXPECT_GT(last, 50);
    EXPECT_LE(last, 100);

    TRecordingNotify failing;
    Bytes bad = stream;
    bad[0] = 12;
    EXPECT_THROW(DecodeRaster(bad, 2, false, target, false, &failing), EInvalidGraphicOperation);
    EXPECT_EQ(failing.FReports.back().Stage, psEnding);
    EXPECT_EQ(failing.FReports.back().Percent, 0);
    EXPECT_EQ(failing.FReports.back().Message, "GIF code size not in range 2 to 9");
}

TEST(LzwDecoder, FramesAboveThePixelLimitAreRefusedBeforeDecoding) {
    const Bytes stream = CodeStream(2, OnePixelCodes());
    EXPECT_EQ(ErrorText<EFrameTooLarge>([&] { Decode(stream, 65535, 65535, 2); }),
              "GIF frame of 65535 x 65535 pixels is above the limit of 180000000 pixels");

    TGIFImage image;
    image.FMaxPixels = 100;
    TGIFFrame& frame = image.NewFrame();
    frame.FItem->FCodeStream = stream;
    frame.FItem->FItemBits = 2;
    frame.FItem->FPixelWidth = 10;
    frame.FItem->FPixelHeight = 10;
    EXPECT_EQ(frame.BuildDib().PixelIndex(0, 0), 1);
    frame.FItem->FPixelHeight = 11;
    try {
        frame.BuildDib();
        ADD_FAILURE() << "no error";
    } catch (const EFrameTooLarge& error) {
        EXPECT_EQ(error.Width, 10);
        EXPECT_EQ(error.Height, 11);
        EXPECT_EQ(error.Limit, 100);
    }
}

#if !defined(__SANITIZE_ADDRESS__)
namespace {

// Runs in the death test's child, with little address space. Exits 0 when the codec said what
// it should with its own error.
[[noreturn]] void DecodeHugeFrameWithLittleMemory(std::int64_t maxPixels, const char* expected) {
    const rlimit limit{100u << 20, 100u << 20};
    setrlimit(RLIMIT_AS, &limit);
    TGIFImage image;
    image.FMaxPixels = maxPixels;
    TGIFFrame& frame = image.NewFrame();
    frame.FItem->FCodeStream = CodeStream(2, OnePixelCodes());
    frame.FItem->FItemBits = 8;
    frame.FItem->FPixelWidth = 65535;
    frame.FItem->FPixelHeight = 65535;
    const std::string message = ErrorText<EInvalidGraphicOperation>([&] { frame.BuildDib(); });
    std::exit(message == expected ? 0 : 1);
}

}  // namespace

// (AddressSanitizer reserves more address space than the limit allows, so not under it.)
TEST(LzwDecoderDeathTest, HugeFrameIsRefusedWithinLittleMemory) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(DecodeHugeFrameWithLittleMemory(
                    kDefaultMaxPixels,
                    "GIF frame of 65535 x 65535 pixels is above the limit of 180000000 pixels"),
                testing::ExitedWithCode(0), "");
    // With the limit raised, memory runs out instead: the codec's own error again.
    EXPECT_EXIT(
        DecodeHugeFrameWithLittleMemory(
            std::int64_t{1} << 40, "Not enough memory for a GIF frame of 65535 x 65535 pixels"),
        testing::ExitedWithCode(0), "");
}
#endif
