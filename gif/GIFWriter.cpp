#include "gif/GIFWriter.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>

#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"

namespace gif {

namespace {

constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kLabelGraphicControl = 0xF9;
constexpr std::uint8_t kLabelComment = 0xFE;
constexpr std::uint8_t kLabelPlainText = 0x01;
constexpr std::uint8_t kLabelApplication = 0xFF;
constexpr std::uint8_t kExtensionLabels[] = {kLabelGraphicControl, kLabelPlainText,
                                             kLabelApplication, kLabelComment};
constexpr std::uint8_t kScreenGlobalTable = 0x80;
constexpr std::uint8_t kDescLocalTable = 0x80;
constexpr std::uint8_t kDescInterlaced = 0x40;
constexpr char kSignature[] = "GIF";
constexpr char kLoopIdentifier[] = "NETSCAPE2.0";
constexpr std::uint8_t kLoopIdentifierSize = 11;
constexpr std::uint8_t kLoopDataSize = 3;
constexpr std::uint8_t kLoopSubBlockId = 1;
constexpr std::size_t kMaxSubBlock = 255;
constexpr std::int64_t kMaxGifSide = 65535;

int TableBits(int count) {
    int bits = 1;
    while ((1 << bits) < count) {
        ++bits;
    }
    return bits;
}

// A frame copied from an image without any colour table has nothing to write as its own table;
// announcing one in the descriptor would make the decoder read pixel data as colours.
bool HasLocalTable(const TGIFFrame& frame) {
    return frame.FOwnTable && frame.FItem->FItemTable.Count > 0;
}

// A raster whose data ended without its terminator is kept as read (the reader takes that as
// the end of the raster); the copy gets the terminator, or the next block would be read as raster.
bool EndsWithTerminator(std::span<const std::uint8_t> code) {
    std::size_t at = 1;  // after the minimum code size
    while (at < code.size()) {
        if (code[at] == 0) {
            return at + 1 == code.size();
        }
        at += 1 + std::size_t{code[at]};
    }
    return false;
}

}  // namespace

std::vector<std::span<const std::uint8_t>> TGIFWriter::Build() {
    FOut.clear();
    FCodeStreams.clear();
    CheckFrameBounds();
    // Room for the tables and blocks around the code streams, so the data are laid out once.
    FOut.reserve(1024 * (static_cast<std::size_t>(FImage.FrameCount()) + 1));
    if (!FImage.FShared->FCommentLines.empty()) {
        FImage.FGifVersion = gfv89a;
    }
    WriteHeader();
    WriteLogicalScreen();
    const TGIFPalette& global = FImage.FShared->FGlobalTable;
    if (global.Count > 0) {
        PutBytes(global.Entries[0].data(), 3 * static_cast<std::size_t>(global.Count));
    }
    if (FImage.FHasLoopBlock && FImage.FrameCount() > 1) {
        WriteLoopBlock();
    }
    for (int i = 0; i < FImage.FrameCount(); ++i) {
        const TGIFFrame& frame = FImage.Frame(i);
        WriteExtensionList(frame.FExtList);
        PutByte(kImageSeparator);
        WriteImageDescriptor(frame);
        WriteLocalTable(frame);
        WriteCodeStream(frame);
    }
    if (!FImage.FShared->FCommentLines.empty()) {
        WriteComment();
    }
    PutByte(kTrailer);

    std::vector<std::span<const std::uint8_t>> parts;
    const std::span<const std::uint8_t> own(FOut);
    std::size_t done = 0;
    for (const auto& [at, code] : FCodeStreams) {
        parts.push_back(own.subspan(done, at - done));
        parts.push_back(code);
        done = at;
    }
    parts.push_back(own.subspan(done));
    return parts;
}

// Sizes and positions are 16-bit fields: a frame that does not fit is refused rather than
// written with its numbers cut, which would make a corrupt file.
void TGIFWriter::CheckFrameBounds() {
    for (int i = 0; i < FImage.FrameCount(); ++i) {
        TGIFFrame& frame = FImage.Frame(i);
        const std::int64_t width = std::max(frame.FItem->FPixelWidth, frame.FrameWidth());
        const std::int64_t height = std::max(frame.FItem->FPixelHeight, frame.FrameHeight());
        const std::int64_t x = frame.FOriginX;
        const std::int64_t y = frame.FOriginY;
        if (x < 0 || y < 0 || x + width > kMaxGifSide || y + height > kMaxGifSide) {
            RaiseGifError("GIF frame " + std::to_string(i) + " of " + std::to_string(width) +
                          " x " + std::to_string(height) + " pixels at " + std::to_string(x) + "," +
                          std::to_string(y) + " does not fit the 65535 x 65535 pixel limit");
        }
    }
}

void TGIFWriter::WriteHeader() {
    // An image that never learnt its version is written as the older one rather than without.
    if (FImage.FGifVersion == gfvNone) {
        FImage.FGifVersion = gfv87a;
    }
    PutBytes(reinterpret_cast<const std::uint8_t*>(kSignature), 3);
    PutBytes(reinterpret_cast<const std::uint8_t*>(GifVersionName(FImage.FGifVersion)), 3);
}

void TGIFWriter::WriteLogicalScreen() {
    FImage.RecalcLogicalSize();
    const TGIFData& data = *FImage.FShared;
    PutLe16(FImage.FLogicalWidth);
    PutLe16(FImage.FLogicalHeight);
    std::uint8_t packed = 0;
    std::uint8_t background = 0;
    if (data.FGlobalTable.Count > 0) {
        // The colour resolution is written from the table size, not from the stored field.
        const int bits = BitsForColorCount(data.FGlobalTable.Count);
        packed = static_cast<std::uint8_t>(kScreenGlobalTable + ((bits - 1) << 4) +
                                           ((data.FGlobalBits - 1) & 0x07));
        background = static_cast<std::uint8_t>(
            std::max(IndexOfColor(data.FGlobalTable, FImage.FBackColor), 0));
    }
    PutByte(packed);
    PutByte(background);
    PutByte(data.FAspect);
}

void TGIFWriter::WriteLoopBlock() {
    PutByte(kExtensionIntroducer);
    PutByte(kLabelApplication);
    PutByte(kLoopIdentifierSize);
    PutBytes(reinterpret_cast<const std::uint8_t*>(kLoopIdentifier), kLoopIdentifierSize);
    PutByte(kLoopDataSize);
    PutByte(kLoopSubBlockId);
    PutLe16(static_cast<std::uint16_t>(FImage.FLoopCount));
    PutByte(0);
}

void TGIFWriter::WriteExtensionList(const std::vector<TExtension>& list) {
    for (const TExtension& ext : list) {
        PutByte(kExtensionIntroducer);
        PutByte(kExtensionLabels[ext.FExtKind]);
        if (ext.FExtKind != ekComment) {
            PutBytes(ext.FRaw.data(), ext.FRaw.size());
        }
        if (ext.FExtKind != ekGraphicControl) {
            WriteSubBlockLines(ext.FBlockLines ? *ext.FBlockLines : TBlockLines{});
        }
    }
}

// A line longer than a sub-block continues in the next ones instead of being cut, so no text is
// lost; reading gives it back as consecutive lines.
void TGIFWriter::WriteSubBlockLines(const TBlockLines& lines) {
    for (const std::string& line : lines) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(line.data());
        for (std::size_t at = 0; at < line.size(); at += kMaxSubBlock) {
            const std::size_t n = std::min(kMaxSubBlock, line.size() - at);
            PutByte(static_cast<std::uint8_t>(n));
            PutBytes(bytes + at, n);
        }
    }
    PutByte(0);
}

void TGIFWriter::WriteImageDescriptor(const TGIFFrame& frame) {
    const TGIFItem& item = *frame.FItem;
    PutLe16(frame.FOriginX);
    PutLe16(frame.FOriginY);
    PutLe16(item.FPixelWidth);
    PutLe16(item.FPixelHeight);
    std::uint8_t packed = 0;
    if (HasLocalTable(frame)) {
        packed = static_cast<std::uint8_t>(kDescLocalTable + TableBits(item.FItemTable.Count) - 1);
    }
    if (frame.FIsInterlaced) {
        packed |= kDescInterlaced;
    }
    PutByte(packed);
}

void TGIFWriter::WriteLocalTable(const TGIFFrame& frame) {
    if (HasLocalTable(frame)) {
        const TGIFPalette& table = frame.FItem->FItemTable;
        PutBytes(table.Entries[0].data(), 3 * static_cast<std::size_t>(table.Count));
    }
}

void TGIFWriter::WriteCodeStream(const TGIFFrame& frame) {
    if (frame.FItem->FCodeStream) {
        const std::span<const std::uint8_t> code = frame.FItem->FCodeStream->Bytes();
        FCodeStreams.emplace_back(FOut.size(), code);
        if (!code.empty() && !EndsWithTerminator(code)) {
            PutByte(0);
        }
    }
}

void TGIFWriter::WriteComment() {
    PutByte(kExtensionIntroducer);
    PutByte(kLabelComment);
    WriteSubBlockLines(FImage.FShared->FCommentLines);
}

void TGIFWriter::PutLe16(std::int32_t value) {
    PutByte(static_cast<std::uint8_t>(value));
    PutByte(static_cast<std::uint8_t>(value >> 8));
}

void TGIFWriter::PutBytes(const std::uint8_t* bytes, std::size_t count) {
    FOut.insert(FOut.end(), bytes, bytes + count);
}

void TGIFImage::WritePictureData(TStream& stream) {
    SaveGifData(stream, true);
}

void TGIFImage::WriteToStream(TStream& stream) {
    SaveGifData(stream, false);
}

void TGIFImage::SaveGifData(TStream& stream, bool withLength) {
    if (FFrameList.empty()) {
        RaiseGifError(kMsgNoGifData);
    }
    EncodeAllFrames();
    TGIFWriter writer(*this);
    const std::vector<std::span<const std::uint8_t>> parts = writer.Build();
    if (withLength) {
        std::size_t size = 0;
        for (const auto& part : parts) {
            size += part.size();
        }
        const auto length = static_cast<std::uint32_t>(size);
        const std::uint8_t raw[4] = {
            static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)};
        stream.Write(raw, sizeof raw);
    }
    stream.WriteParts(parts);
}

void TGIFImage::EncodeAllFrames() {
    for (auto& frame : FFrameList) {
        if (!frame->FItem->HasCodeData()) {
            frame->FItem->FCodeStream.reset();
            frame->EncodeBitmap();
        }
    }
    for (auto& frame : FFrameList) {
        frame->SyncGraphicControl();
    }
}

}  // namespace gif
