#include <gtest/gtest.h>

#include "GifBytes.h"
#include "gif/GIFImage.h"

using namespace gif;
using namespace giftest;

namespace {

// Two frames, 10 x 10 at (0, 0) and 5 x 5 at (20, 3), on a screen of 1 x 1; the second with a
// local table, a comment and a graphic control block.
Bytes TwoFrames() {
    TGifBytes gif;
    gif.Header().Screen(1, 1, 1).Descriptor(0, 0, 10, 10).Raster(2, OnePixelCodes());
    gif.GraphicControl(1 | 2 << 2, 12, 1).Comment({"second"});
    gif.Descriptor(20, 3, 5, 5, false, 2).Raster(2, OnePixelCodes(2)).Trailer();
    return gif.Data();
}

}  // namespace

TEST(GIFFrame, RecalcLogicalSizeSpansAllFrames) {
    TGIFImage image;
    Load(image, TwoFrames());
    EXPECT_EQ(image.FLogicalWidth, 1);
    image.RecalcLogicalSize();
    EXPECT_EQ(image.FLogicalWidth, 25);
    EXPECT_EQ(image.FLogicalHeight, 10);
}

TEST(GIFFrame, FrameCommentFindsOrCreatesTheLastComment) {
    TGIFImage image;
    Load(image, TwoFrames());
    TGIFFrame& first = image.Frame(0);
    EXPECT_EQ(first.FrameComment(false), nullptr);
    TBlockLines* created = first.FrameComment(true);
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(created->empty());
    first.SetFrameComment({"x", "y"});
    EXPECT_EQ(*first.FrameComment(false), (TBlockLines{"x", "y"}));
    EXPECT_EQ(first.FExtList.size(), 1u);
    EXPECT_EQ(*image.Frame(1).FrameComment(false), (TBlockLines{"second"}));
}

TEST(GIFFrame, FrameSizeIsZeroWithoutBitmapOrCodeStream) {
    TGIFImage image;
    TGIFFrame& frame = image.NewFrame();
    EXPECT_EQ(frame.FrameWidth(), 0);
    EXPECT_EQ(frame.FrameHeight(), 0);
    EXPECT_THROW(image.Frame(1), std::out_of_range);
}

TEST(GIFFrame, CopyingAFrameSharesItsItem) {
    TGIFImage source;
    Load(source, TwoFrames());
    TGIFFrame& second = source.Frame(1);

    TGIFImage target;
    TGIFFrame& copy = target.NewFrame();
    copy.CopyContentFrom(&second);
    EXPECT_EQ(copy.FItem, second.FItem);
    EXPECT_EQ(copy.FOriginX, 20);
    EXPECT_EQ(copy.FDelayMs, 120u);
    EXPECT_EQ(copy.FDisposalCode, 2);
    EXPECT_EQ(copy.FTransColor, second.FTransColor);
    EXPECT_EQ(*copy.FrameComment(false), (TBlockLines{"second"}));
    EXPECT_EQ(target.FLogicalWidth, 25);  // the owner recomputed its screen

    // From another image the copy always owns its table.
    TGIFFrame& fromGlobal = target.NewFrame();
    fromGlobal.CopyContentFrom(&source.Frame(0));
    EXPECT_FALSE(source.Frame(0).FOwnTable);
    EXPECT_TRUE(fromGlobal.FOwnTable);

    // A stale bitmap does not outlive the content it showed.
    EXPECT_EQ(fromGlobal.FrameBitmap().Width, 10);
    fromGlobal.CopyContentFrom(&second);
    EXPECT_EQ(fromGlobal.FrameBitmap().Width, 5);

    fromGlobal.CopyContentFrom(nullptr);
    EXPECT_FALSE(fromGlobal.FItem->FCodeStream.has_value());
    EXPECT_EQ(fromGlobal.FrameWidth(), 0);
}

TEST(GIFFrame, CopyingAnImageSharesItsData) {
    TGIFImage source;
    Load(source, TwoFrames());
    TGIFImage other;
    Load(other, TwoFrames());
    EXPECT_FALSE(source.SharesDataWith(other));

    TGIFImage copy;
    copy.CopyContentFrom(source);
    EXPECT_TRUE(copy.SharesDataWith(source));
    ASSERT_EQ(copy.FrameCount(), 2);
    EXPECT_FALSE(copy.Frame(0).FOwnTable);
    EXPECT_TRUE(copy.Frame(1).FOwnTable);
    EXPECT_EQ(copy.Frame(1).FImageOwner, &copy);
    EXPECT_EQ(copy.FLogicalWidth, source.FLogicalWidth);
    EXPECT_EQ(copy.FActiveFrame, 0);
    EXPECT_EQ(copy.FGifVersion, gfv89a);
}
