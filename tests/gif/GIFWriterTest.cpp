#include <gtest/gtest.h>

#include <random>
#include <string>

#include "EncodeFixtures.h"
#include "GifBytes.h"
#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"

using namespace gif;
using namespace giftest;

namespace {

// A GIF whose every recomputed field already has the value the writer computes: two frames with
// graphic control blocks, a frame comment, a local interlaced table, a looping block and an image
// comment.
Bytes CanonicalGif() {
    TGifBytes gif;
    gif.Header().Le16(10).Le16(10).Raw({0x91, 1, 0}).Table(4);
    gif.Application("NETSCAPE2.0", {1, 5, 0});
    gif.Comment({"hello"}).GraphicControl(1 | 2 << 2, 7, 2);
    gif.Descriptor(0, 0, 10, 10).Raster(2, OnePixelCodes(3));
    gif.GraphicControl(0, 3, 0).Descriptor(2, 1, 5, 5, true, 2).Raster(2, OnePixelCodes(1));
    gif.Comment({"image", "comment"}).Trailer();
    return gif.Data();
}

// Offset of the first graphic control block's packed byte in data.
std::size_t GraphicControlAt(const Bytes& data) {
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        if (data[i] == 0x21 && data[i + 1] == 0xF9) {
            return i + 3;
        }
    }
    return 0;
}

class TCountingNotify : public IGIFNotify {
  public:
    void Progress(TProgressStage stage, int percent, bool, const std::string& message) override {
        Stages.push_back(stage);
        Percents.push_back(percent);
        LastMessage = message;
        if (AbortAt >= 0 && percent >= AbortAt && stage == psRunning) {
            throw EAbort();
        }
    }
    void Changed() override {}
    std::vector<TProgressStage> Stages;
    std::vector<int> Percents;
    std::string LastMessage;
    int AbortAt = -1;
};

}  // namespace

TEST(GIFWriter, UnchangedImageIsWrittenAsRead) {
    const Bytes data = CanonicalGif();
    TGIFImage image;
    Load(image, data);
    EXPECT_EQ(Written(image), data);

    TMemoryStream record;
    image.WritePictureData(record);
    record.Seek(0);
    TGIFImage again;
    again.ReadPictureData(record);
    EXPECT_EQ(record.Position(), record.Size());
    EXPECT_EQ(Written(again), data);
}

TEST(GIFWriter, RasterCutBeforeItsTerminatorIsWrittenTerminated) {
    TGifBytes gif;
    gif.Header().Le16(1).Le16(1).Raw({0x80, 0, 0}).Table(2);
    gif.Descriptor(0, 0, 1, 1).Raster(2, OnePixelCodes(1));
    Bytes data = gif.Data();
    data.pop_back();  // the data end right after the raster's last sub-block
    TGIFImage image;
    image.FAcceptDamaged = false;
    Load(image, data);

    const Bytes written = Written(image);
    ASSERT_EQ(written.end()[-2], 0);
    EXPECT_EQ(written.back(), 0x3B);
    TGIFImage again;
    again.FAcceptDamaged = false;
    Load(again, written);
    ASSERT_EQ(again.FrameCount(), 1);
    EXPECT_EQ(again.Frame(0).FrameBitmap().PixelIndex(0, 0), 1);
    EXPECT_EQ(Written(again), written);
}

TEST(GIFWriter, RecomputesScreenAndDropsOtherApplicationBlocks) {
    TGifBytes gif;
    gif.Header().Le16(300).Le16(200).Raw({0xF1, 3, 0}).Table(4);
    gif.Application("XMP DataXMP", {1, 2, 3}).GraphicControl(0, 0, 0);
    gif.Descriptor(1, 2, 3, 4).Raster(2, OnePixelCodes()).Trailer();
    TGIFImage image;
    Load(image, gif.Data());
    const Bytes out = Written(image);
    TGifBytes expected;
    expected.Header().Le16(4).Le16(6).Raw({0x91, 3, 0}).Table(4).GraphicControl(0, 0, 0);
    expected.Descriptor(1, 2, 3, 4).Raster(2, OnePixelCodes()).Trailer();
    EXPECT_EQ(out, expected.Data());
}

TEST(GIFWriter, LoopBlockOnlyWithSeveralFrames) {
    TGifBytes gif;
    gif.Header().Screen(1, 1, 1).Application("NETSCAPE2.0", {1, 0, 0});
    gif.Descriptor(0, 0, 1, 1).Raster(2, OnePixelCodes()).Trailer();
    TGIFImage image;
    Load(image, gif.Data());
    ASSERT_TRUE(image.FHasLoopBlock);
    const Bytes one = Written(image);
    EXPECT_EQ(std::search(one.begin(), one.end(), gif.Data().begin() + 13 + 6,
                          gif.Data().begin() + 13 + 6 + 14),
              one.end());
    AddBitmapFrame(image, NewDib(1, 1, 1));
    image.FLoopCount = 0;
    TGIFImage reread;
    Load(reread, Written(image));
    EXPECT_TRUE(reread.FHasLoopBlock);
    EXPECT_EQ(reread.FLoopCount, 0);
}

TEST(GIFWriter, GraphicControlFollowsDelayTransparencyAndDisposal) {
    TGIFImage image;
    Load(image, CanonicalGif());
    TGIFFrame& frame = image.Frame(0);
    frame.FDelayMs = 125;
    frame.FDisposalCode = 3;
    frame.FTransColor = 0x123456;  // not in the table
    Bytes out = Written(image);
    std::size_t at = GraphicControlAt(out);
    EXPECT_EQ(out[at], 3 << 2);  // transparency cleared, disposal 3
    EXPECT_EQ(out[at + 1], 12);  // 125 ms as hundredths
    EXPECT_EQ(out[at + 3], 2);   // the stored index stays

    frame.FTransColor = TripleToColor({3, 6, 9});
    frame.FDelayMs = 5'000'000;  // beyond the field: held at its top
    out = Written(image);
    at = GraphicControlAt(out);
    EXPECT_EQ(out[at], 1 | 3 << 2);
    EXPECT_EQ(out[at + 1], 0xFF);
    EXPECT_EQ(out[at + 2], 0xFF);
    EXPECT_EQ(out[at + 3], 3);
}

TEST(GIFWriter, GraphicControlAddedOnlyWhenNeeded) {
    TGIFImage image;
    AddBitmapFrame(image, NewDib(4, 4, 8));
    image.FGifVersion = gfv87a;
    Bytes out = Written(image);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "GIF87a");
    EXPECT_EQ(GraphicControlAt(out), 0u);

    image.Frame(0).FDisposalCode = 1;
    image.Frame(0).SetFrameComment({});
    out = Written(image);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "GIF89a");
    const std::size_t at = GraphicControlAt(out);
    ASSERT_NE(at, 0u);
    EXPECT_EQ(out[at - 1], 4);
    EXPECT_EQ(out[at], 1 << 2);
    EXPECT_EQ(image.Frame(0).FExtList.size(), 1u);  // the empty comment was dropped
}

TEST(GIFWriter, CommentMakes89aAndLongLinesSpanSubBlocks) {
    TGIFImage image;
    AddBitmapFrame(image, NewDib(2, 2, 1));
    image.FGifVersion = gfv87a;
    const std::string text(600, 'c');
    image.FShared->FCommentLines = {text, "", "end"};
    const Bytes out = Written(image);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "GIF89a");
    TGIFImage reread;
    Load(reread, out);
    EXPECT_EQ(reread.FShared->FCommentLines,
              (TBlockLines{text.substr(0, 255), text.substr(255, 255), text.substr(510), "end"}));
}

TEST(GIFWriter, ErrorsLeaveTheStreamUntouched) {
    TMemoryStream stream;
    TGIFImage empty;
    EXPECT_EQ(ErrorText<EInvalidGraphicOperation>([&] { empty.WriteToStream(stream); }),
              "No GIF Data to write");

    TGIFImage noBitmap;
    noBitmap.NewFrame();
    EXPECT_EQ(ErrorText<EInvalidGraphicOperation>([&] { noBitmap.WritePictureData(stream); }),
              "No GIF Data to write");

    TGIFImage badTable;
    Load(badTable, CanonicalGif());
    badTable.FShared->FGlobalTable.Count = 3;
    EXPECT_EQ(ErrorText<EInvalidGraphicOperation>([&] { badTable.WriteToStream(stream); }),
              "Wrong number of colors; must be a power of 2");

    TGIFImage wide;
    AddBitmapFrame(wide, NewDib(70000, 1, 1));
    EXPECT_EQ(ErrorText<EInvalidGraphicOperation>([&] { wide.WriteToStream(stream); }),
              "GIF frame of 70000 x 1 pixels does not fit the 65535 x 65535 pixel limit");

    TGIFImage shifted;
    AddBitmapFrame(shifted, NewDib(40000, 1, 1));
    shifted.Frame(0).FOriginX = 30000;
    EXPECT_EQ(ErrorText<EInvalidGraphicOperation>([&] { shifted.WriteToStream(stream); }),
              "GIF frame 0 of 40000 x 1 pixels at 30000,0 does not fit the 65535 x 65535 pixel "
              "limit");
    EXPECT_EQ(stream.Size(), 0u);
}

TEST(GIFWriter, OneBitBitmapGetsCodeSizeTwoAndTwoColours) {
    std::mt19937 random(3);
    TGIFImage image;
    AddBitmapFrame(image, RandomDib(33, 7, 1, 2, random));
    const Bytes out = Written(image);
    EXPECT_EQ(out[10], 0x80);  // global table of 2 entries, resolution 1 bit
    const std::size_t descriptor = 13 + 6;
    EXPECT_EQ(out[descriptor], 0x2C);
    EXPECT_EQ(out[descriptor + 9], 0);   // no local table
    EXPECT_EQ(out[descriptor + 10], 2);  // minimum code size
}

TEST(GIFWriter, ThreeColourTrueColourBitmapGetsFullTable) {
    std::mt19937 random(4);
    const TDib dib = RandomDib(20, 9, 24, 3, random);
    TGIFImage image;
    AddBitmapFrame(image, dib);
    const Bytes out = Written(image);
    EXPECT_EQ(out[10], 0xF7);
    EXPECT_EQ(out[13 + 768 + 10], 8);
    TGIFImage reread;
    Load(reread, out);
    const TGIFPalette& table = reread.FShared->FGlobalTable;
    EXPECT_EQ(table.Count, 256);
    for (int i = 3; i < 256; ++i) {
        EXPECT_EQ(TripleToColor(table.Entries[i]), 0x808080u);
    }
    const TDib& decoded = reread.Frame(0).FrameBitmap();
    for (int y = 0; y < dib.Height; ++y) {
        for (int x = 0; x < dib.Width; ++x) {
            ASSERT_EQ(PixelColor(decoded, x, y), PixelColor(dib, x, y));
        }
    }
}

TEST(GIFWriter, LaterFramesGetTheirOwnTablesAndWidenTheScreen) {
    std::mt19937 random(5);
    TGIFImage image;
    AddBitmapFrame(image, RandomDib(8, 8, 4, 16, random));
    AddBitmapFrame(image, RandomDib(5, 20, 8, 200, random));
    image.Frame(1).FOriginX = 6;
    TGIFImage reread;
    Load(reread, Written(image));
    EXPECT_EQ(reread.FLogicalWidth, 11);
    EXPECT_EQ(reread.FLogicalHeight, 20);
    EXPECT_EQ(reread.FShared->FGlobalTable.Count, 16);
    EXPECT_FALSE(reread.Frame(0).FOwnTable);
    EXPECT_TRUE(reread.Frame(1).FOwnTable);
    EXPECT_EQ(reread.Frame(1).FItem->FItemTable.Count, 256);
}

TEST(GIFWriter, EncodingACopyLeavesTheSourceAlone) {
    std::mt19937 random(6);
    TGIFImage source;
    AddBitmapFrame(source, RandomDib(6, 6, 8, 50, random));
    TGIFImage copy;
    copy.CopyContentFrom(source);
    Written(copy);
    EXPECT_EQ(source.FShared->FGlobalTable.Count, 0);
    EXPECT_FALSE(source.Frame(0).FItem->FCodeStream);
    EXPECT_FALSE(source.SharesDataWith(copy));
}

TEST(GIFWriter, ProgressRunsToTheEndAndCancellingLeavesAFreshItem) {
    std::mt19937 random(7);
    TGIFImage image;
    TCountingNotify notify;
    image.SetNotify(&notify);
    AddBitmapFrame(image, RandomDib(10, 40, 8, 9, random));
    Written(image);
    ASSERT_GE(notify.Stages.size(), 42u);
    EXPECT_EQ(notify.Stages.front(), psStarting);
    EXPECT_EQ(notify.Stages.back(), psEnding);
    EXPECT_EQ(notify.Percents.back(), 100);
    EXPECT_EQ(notify.Percents[notify.Percents.size() - 2], 100);

    TGIFImage cancelled;
    TCountingNotify stopper;
    stopper.AbortAt = 50;
    cancelled.SetNotify(&stopper);
    AddBitmapFrame(cancelled, RandomDib(10, 40, 8, 9, random));
    TMemoryStream stream;
    EXPECT_THROW(cancelled.WriteToStream(stream), EAbort);
    EXPECT_EQ(stream.Size(), 0u);
    EXPECT_EQ(stopper.Percents.back(), 0);
    EXPECT_EQ(stopper.LastMessage, "Operation aborted");
    EXPECT_FALSE(cancelled.Frame(0).FItem->FCodeStream);
}

TEST(GIFWriter, SameBitmapGivesSameBytes) {
    std::mt19937 random(8);
    const TDib dib = RandomDib(64, 64, 24, 700, random);
    TGIFImage a;
    AddBitmapFrame(a, dib);
    TGIFImage b;
    AddBitmapFrame(b, dib);
    EXPECT_EQ(Written(a), Written(b));
}
