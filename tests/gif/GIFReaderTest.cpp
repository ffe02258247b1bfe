#include <gtest/gtest.h>

#include "GifBytes.h"
#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"
#include "gif/GIFReader.h"

using namespace gif;
using namespace giftest;

namespace {

// A minimal valid GIF around one 1 x 1 image, with room for blocks before and after it.
TGifBytes OneImage(const TGifBytes& before = {}) {
    TGifBytes gif;
    gif.Header().Screen(1, 1, 2).Raw(before.Data());
    gif.Descriptor(0, 0, 1, 1).Raster(2, OnePixelCodes());
    return gif;
}

class TCountingNotify : public IGIFNotify {
  public:
    void Progress(TProgressStage, int, bool, const std::string&) override {}
    void Changed() override { ++FChanges; }
    int FChanges = 0;
};

}  // namespace

TEST(GIFReader, AcceptsHeaderSpellingsIgnoringCase) {
    for (const char* header : {"GIF87a", "GIF89a", "gif89a", "GiF87A"}) {
        TGIFImage image;
        TGifBytes gif;
        gif.Header(header).Screen(1, 1).Trailer();
        Load(image, gif.Data());
        EXPECT_EQ(image.FGifVersion, header[3] == '8' && header[4] == '7' ? gfv87a : gfv89a)
            << header;
    }
}

TEST(GIFReader, RejectsUnknownVersionAndSignature) {
    for (const char* header : {"GIF90a", "GIX89a", "GI"}) {
        TGIFImage image;
        TGifBytes gif;
        gif.Header(header).Screen(1, 1).Trailer();
        EXPECT_EQ(ErrorText<EInvalidGraphicOperation>([&] { Load(image, gif.Data()); }),
                  "Unknown GIF version")
            << header;
        EXPECT_EQ(image.FGifVersion, gfvNone);
        EXPECT_EQ(image.FActiveFrame, -1);
    }
}

TEST(GIFReader, EmptyStreamGivesEmptyImageAndOneNotification) {
    TGIFImage image;
    TCountingNotify notify;
    image.SetNotify(&notify);
    Load(image, {});
    EXPECT_EQ(image.FrameCount(), 0);
    EXPECT_EQ(image.FActiveFrame, -1);
    EXPECT_EQ(notify.FChanges, 1);
}

TEST(GIFReader, GlobalTableAndBackgroundColour) {
    TGIFImage image;
    TGifBytes noTable;
    noTable.Header().Screen(3, 2).Trailer();
    Load(image, noTable.Data());
    EXPECT_EQ(image.FShared->FGlobalTable.Count, 0);
    EXPECT_EQ(image.FBackColor, clNone);
    EXPECT_EQ(image.FLogicalWidth, 3);
    EXPECT_EQ(image.FLogicalHeight, 2);

    TGifBytes beyond;
    beyond.Header().Screen(1, 1, 2, 4).Trailer();
    Load(image, beyond.Data());
    EXPECT_EQ(image.FShared->FGlobalTable.Count, 4);
    EXPECT_EQ(image.FBackColor, clNone);

    TGifBytes inside;
    inside.Header().Screen(1, 1, 2, 3).Trailer();
    Load(image, inside.Data());
    EXPECT_EQ(image.FBackColor, TColor(3 | 6 << 8 | 9 << 16));
    EXPECT_EQ(image.FShared->FGlobalBits, 2);
    EXPECT_EQ(image.FShared->FColorBits, 8);
}

TEST(GIFReader, SkipsZeroBytesBetweenBlocks) {
    TGIFImage image;
    TGifBytes gif;
    gif.Header().Screen(1, 1, 2).Raw({0, 0}).GraphicControl(0, 7, 0).Raw({0});
    gif.Descriptor(0, 0, 1, 1).Raster(2, OnePixelCodes()).Raw({0, 0, 0}).Trailer();
    Load(image, gif.Data());
    ASSERT_EQ(image.FrameCount(), 1);
    EXPECT_EQ(image.Frame(0).FDelayMs, 70u);
}

TEST(GIFReader, StrayBytes) {
    {
        TGIFImage image;
        TGifBytes afterImage = OneImage();
        afterImage.Raw({0x07, 0x2C, 0x01});
        Load(image, afterImage.Data());
        EXPECT_EQ(image.FrameCount(), 1);
        EXPECT_EQ(image.FActiveFrame, 0);
    }
    {
        TGIFImage image;
        TGifBytes afterExtensions;
        afterExtensions.Header().Screen(1, 1, 2).GraphicControl(0, 0, 0).Raw({0x07, 0x3B});
        EXPECT_EQ(ErrorText<EInvalidGraphicOperation>([&] { Load(image, afterExtensions.Data()); }),
                  "Stream-Lesefehler");
    }
    for (const bool afterImage : {true, false}) {
        TGIFImage image;
        TGifBytes gif = afterImage ? OneImage() : TGifBytes();
        if (!afterImage) {
            gif.Header().Screen(1, 1, 2).GraphicControl(0, 0, 0);
        }
        gif.Raw({0x07});
        Load(image, gif.Data());
        EXPECT_EQ(image.FrameCount(), afterImage ? 1 : 0);
    }
}

TEST(GIFReader, PlainTextDiscardsPendingExtensions) {
    TGIFImage image;
    TGifBytes before;
    before.GraphicControl(1, 9, 0).Comment({"gone"}).PlainText();
    Load(image, OneImage(before).Trailer().Data());
    ASSERT_EQ(image.FrameCount(), 1);
    EXPECT_TRUE(image.Frame(0).FExtList.empty());
    EXPECT_EQ(image.Frame(0).FDelayMs, 0u);
    EXPECT_EQ(image.Frame(0).FTransColor, clNone);
}

TEST(GIFReader, LoopBlocks) {
    struct Case {
        std::string id;
        Bytes block;
        bool loop;
        int count;
    };
    const Case cases[] = {
        {"NETSCAPE2.0", {1, 0, 0}, true, 0}, {"NETSCAPE2.0", {1, 0xFF, 0xFF}, true, 30000},
        {"ANIMEXTS1.0", {1, 5, 0}, true, 5}, {"NETSCAPE2.0", {2, 5, 0}, false, 1},
        {"NETSCAPE2.0", {1, 5}, false, 1},   {"XMP DataXMP", {1, 5, 0}, false, 1},
    };
    for (const Case& c : cases) {
        TGIFImage image;
        TGifBytes before;
        before.Application(c.id, c.block);
        Load(image, OneImage(before).Trailer().Data());
        EXPECT_EQ(image.FHasLoopBlock, c.loop) << c.id;
        EXPECT_EQ(image.FLoopCount, c.count) << c.id;
        EXPECT_TRUE(image.Frame(0).FExtList.empty());
    }
}

TEST(GIFReader, CommentsAfterLastImageBecomeImageComment) {
    TGIFImage image;
    TGifBytes before;
    before.Comment({"frame", "note"});
    TGifBytes gif = OneImage(before);
    gif.Comment({"A"}).Comment({"B"}).Trailer();
    Load(image, gif.Data());
    EXPECT_EQ(image.FShared->FCommentLines, (TBlockLines{"A", "\r\n\r\n", "B"}));
    ASSERT_EQ(image.Frame(0).FExtList.size(), 1u);
    EXPECT_EQ(image.Frame(0).FExtList[0].FExtKind, ekComment);
    EXPECT_EQ(*image.Frame(0).FrameComment(false), (TBlockLines{"frame", "note"}));
}

TEST(GIFReader, ZeroSizedDescriptorTakesLogicalScreen) {
    TGIFImage image;
    TGifBytes gif;
    gif.Header().Screen(5, 3, 1).Descriptor(0, 0, 0, 0).Raster(2, OnePixelCodes()).Trailer();
    Load(image, gif.Data());
    EXPECT_EQ(image.Frame(0).FItem->FPixelWidth, 5);
    EXPECT_EQ(image.Frame(0).FItem->FPixelHeight, 3);
    EXPECT_EQ(image.Frame(0).FrameBitmap().Width, 5);
}

TEST(GIFReader, TransparencyIsTakenAsColourOfTheTable) {
    TGIFImage image;
    TGifBytes outside;
    outside.GraphicControl(1, 0, 20);
    Load(image, OneImage(outside).Trailer().Data());
    EXPECT_EQ(image.Frame(0).FTransColor, clNone);

    TGifBytes inside;
    inside.GraphicControl(1, 0, 2);
    Load(image, OneImage(inside).Trailer().Data());
    EXPECT_EQ(image.Frame(0).FTransColor, TColor(2 | 4 << 8 | 6 << 16));
}

TEST(GIFReader, SeveralGraphicControlsLongestDelayLastDisposal) {
    TGIFImage image;
    TGifBytes before;
    before.GraphicControl(1 | 2 << 2, 5, 1).GraphicControl(3 << 2, 3, 0);
    Load(image, OneImage(before).Trailer().Data());
    const TGIFFrame& frame = image.Frame(0);
    EXPECT_EQ(frame.FDelayMs, 50u);
    EXPECT_EQ(frame.FDisposalCode, 3);
    EXPECT_EQ(frame.FTransColor, clNone);
}

// The delay must survive as stored: 16 bits would turn 7000 hundredths into 4464 ms.
TEST(GIFReader, DelayKeepsItsFullValue) {
    TGIFImage image;
    TGifBytes before;
    before.GraphicControl(0, 7000, 0);
    Load(image, OneImage(before).Trailer().Data());
    EXPECT_EQ(image.Frame(0).FDelayMs, 70000u);
    before = {};
    before.GraphicControl(0, 65535, 0);
    Load(image, OneImage(before).Trailer().Data());
    EXPECT_EQ(image.Frame(0).FDelayMs, 655350u);
}

TEST(GIFReader, SubBlockPastTheEndMarksFrameCorrupt) {
    TGifBytes gif;
    gif.Header().Screen(4, 1, 1).Descriptor(0, 0, 4, 1).Raw({2, 2, 0x4C, 0x01, 200});
    gif.Raw(Bytes(10, 0));
    {
        TGIFImage image;
        Load(image, gif.Data());
        ASSERT_EQ(image.FrameCount(), 1);
        EXPECT_TRUE(image.Frame(0).FIsCorrupt);
        EXPECT_EQ(*image.Frame(0).FItem->FCodeStream, (Bytes{2, 2, 0x4C, 0x01}));
    }
    {
        TGIFImage image;
        image.FAcceptDamaged = false;
        EXPECT_EQ(ErrorText<EInvalidGraphicOperation>([&] { Load(image, gif.Data()); }),
                  "Stream-Lesefehler");
        EXPECT_EQ(image.FrameCount(), 0);
    }
}

TEST(GIFReader, UnrecognizedExtensionNamesItsLabel) {
    TGIFImage image;
    TGifBytes gif;
    gif.Header().Screen(1, 1).Raw({0x21, 0x3A, 0, 0x3B});
    EXPECT_EQ(ErrorText<EInvalidGraphicOperation>([&] { Load(image, gif.Data()); }),
              "Unrecognized extension block: 3A");
    TGifBytes low;
    low.Header().Screen(1, 1).Raw({0x21, 0x0A, 0, 0x3B});
    EXPECT_EQ(ErrorText<EInvalidGraphicOperation>([&] { Load(image, low.Data()); }),
              "Unrecognized extension block: 0A");
}

TEST(GIFReader, ShortExactReadsKeepEarlierFrames) {
    TGifBytes twoImages = OneImage();
    twoImages.GraphicControl(0, 4, 0).Raw({0x2C, 0, 0, 0});
    TGIFImage image;
    EXPECT_EQ(ErrorText<EReadError>([&] { Load(image, twoImages.Data()); }), "Stream-Lesefehler");
    EXPECT_EQ(image.FrameCount(), 1);
    EXPECT_EQ(image.FActiveFrame, -1);
    EXPECT_EQ(image.FLogicalWidth, 1);

    TGifBytes shortTable;
    shortTable.Header().Screen(1, 1).Raw({0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x81, 1, 2, 3, 0x3B});
    EXPECT_EQ(ErrorText<EReadError>([&] { Load(image, shortTable.Data()); }), "Stream-Lesefehler");
}

TEST(GIFReader, PictureDataCarriesItsLength) {
    const Bytes gif = OneImage().Trailer().Data();
    Bytes record = {static_cast<std::uint8_t>(gif.size()), 0, 0, 0};
    record.insert(record.end(), gif.begin(), gif.end());
    record.push_back(0x99);  // whatever follows in the layout stays unread
    TMemoryStream stream(record);
    TGIFImage image;
    image.ReadPictureData(stream);
    EXPECT_EQ(image.FrameCount(), 1);
    EXPECT_EQ(stream.Position(), record.size() - 1);

    record[0] = static_cast<std::uint8_t>(gif.size() + 10);
    TMemoryStream tooShort(record);
    EXPECT_EQ(ErrorText<EReadError>([&] { image.ReadPictureData(tooShort); }), "Stream-Lesefehler");
}

TEST(GIFReader, FirstFrameFailingToDecodeIsDropped) {
    // No colour table anywhere: the first frame cannot be decoded; the second one stays.
    TGifBytes gif;
    gif.Header().Screen(1, 1).Descriptor(0, 0, 1, 1).Raster(2, OnePixelCodes());
    gif.Descriptor(0, 0, 1, 1, false, 1).Raster(2, OnePixelCodes()).Trailer();
    TGIFImage image;
    EXPECT_EQ(ErrorText<EInvalidGraphicOperation>([&] { Load(image, gif.Data()); }),
              "Wrong number of colors; must be a power of 2");
    EXPECT_EQ(image.FrameCount(), 1);
    EXPECT_TRUE(image.Frame(0).FOwnTable);
    EXPECT_EQ(image.FActiveFrame, 0);
}
