// libFuzzer target: GIF data the reader accepts whole (damaged data refused) is written again and
// read back; the second reading must show what the first showed: the same frames with the same
// pixels, origins, transparency, delays, disposal and comments, the same picture comment and the
// same loop block where there is more than one frame. A difference aborts, so it is kept like a
// crash.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"
#include "gif/GIFStream.h"

namespace {

// Small enough that no frame takes the allocator long, large enough for every seed.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 16;

struct TFrameFacts {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<gif::TRgbQuad> Pixels;
    std::int32_t OriginX = 0;
    std::int32_t OriginY = 0;
    gif::TColor TransColor = gif::clNone;
    std::uint32_t DelayMs = 0;
    std::uint8_t Disposal = 0;
    std::vector<gif::TBlockLines> Comments;
};

struct TImageFacts {
    std::vector<TFrameFacts> Frames;
    gif::TBlockLines Comment;
    bool HasLoopBlock = false;
    std::int16_t LoopCount = 0;
};

TFrameFacts FactsOf(gif::TGIFFrame& frame) {
    TFrameFacts facts;
    const gif::TDib& dib = frame.FrameBitmap();
    facts.Width = dib.Width;
    facts.Height = dib.Height < 0 ? -dib.Height : dib.Height;
    for (std::int32_t y = 0; y < facts.Height; ++y) {
        for (std::int32_t x = 0; x < facts.Width; ++x) {
            const std::uint8_t index = dib.PixelIndex(x, y);
            facts.Pixels.push_back(index < dib.Palette.size() ? dib.Palette[index]
                                                              : gif::TRgbQuad{});
        }
    }
    facts.OriginX = frame.FOriginX;
    facts.OriginY = frame.FOriginY;
    facts.TransColor = frame.FTransColor;
    facts.DelayMs = frame.FDelayMs;
    facts.Disposal = frame.FDisposalCode;
    for (const gif::TExtension& extension : frame.FExtList) {
        if (extension.FExtKind == gif::ekComment && extension.FBlockLines) {
            facts.Comments.push_back(*extension.FBlockLines);
        }
    }
    return facts;
}

// The facts of a complete, undamaged GIF; none when the reader refuses it or a frame is damaged.
// The reason of a refusal goes to error.
std::optional<TImageFacts> Read(gif::TGIFImage& image, const std::vector<std::uint8_t>& bytes,
                                std::string& error) {
    image.FAcceptDamaged = false;
    image.FMaxPixels = kMaxPixels;
    gif::TMemoryStream stream(bytes);
    TImageFacts facts;
    try {
        image.LoadGifData(static_cast<std::int64_t>(bytes.size()), stream, false);
        for (int i = 0; i < image.FrameCount(); ++i) {
            facts.Frames.push_back(FactsOf(image.Frame(i)));
            if (image.Frame(i).FIsCorrupt) {
                error = "damaged frame";
                return std::nullopt;
            }
        }
    } catch (const gif::EGifError& refusal) {
        error = refusal.what();
        return std::nullopt;
    }
    facts.Comment = image.FShared->FCommentLines;
    facts.HasLoopBlock = image.FHasLoopBlock;
    facts.LoopCount = image.FLoopCount;
    return facts;
}

void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "GIF round trip: %s %s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gif::TGIFImage first;
    std::string error;
    const std::optional<TImageFacts> before =
        Read(first, std::vector<std::uint8_t>(data, data + size), error);
    if (!before || before->Frames.empty()) {
        return 0;
    }
    gif::TMemoryStream written;
    try {
        first.WriteToStream(written);
    } catch (const gif::EInvalidGraphicOperation&) {
        // A frame read beyond the 16-bit screen (origin plus size) is refused rather than
        // written with its numbers cut.
        return 0;
    }
    gif::TGIFImage second;
    const std::vector<std::uint8_t> bytes(written.Bytes().begin(), written.Bytes().end());
    const std::optional<TImageFacts> after = Read(second, bytes, error);
    if (!after) {
        Fail("the written GIF is not read back:", error);
    }
    if (after->Frames.size() != before->Frames.size()) {
        Fail("frame count differs");
    }
    for (std::size_t i = 0; i < before->Frames.size(); ++i) {
        const TFrameFacts& a = before->Frames[i];
        const TFrameFacts& b = after->Frames[i];
        if (a.Width != b.Width || a.Height != b.Height || a.Pixels != b.Pixels) {
            Fail("pixels differ");
        }
        if (a.OriginX != b.OriginX || a.OriginY != b.OriginY) {
            Fail("frame origin differs");
        }
        if (a.TransColor != b.TransColor) {
            Fail("transparent colour differs");
        }
        if (a.DelayMs != b.DelayMs || a.Disposal != b.Disposal) {
            Fail("delay or disposal differs");
        }
        if (a.Comments != b.Comments) {
            Fail("frame comments differ");
        }
    }
    if (after->Comment != before->Comment) {
        Fail("picture comment differs");
    }
    // A single picture is written without its loop block: it has nothing to repeat.
    const bool loops = before->HasLoopBlock && before->Frames.size() > 1;
    if (after->HasLoopBlock != loops || (loops && after->LoopCount != before->LoopCount)) {
        Fail("loop block differs");
    }
    return 0;
}
