#include "gif/GIFReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"

namespace gif {

namespace {

constexpr std::uint8_t kExtensionIntroducer = 0x21;  // '!'
constexpr std::uint8_t kImageSeparator = 0x2C;       // ','
constexpr std::uint8_t kTrailer = 0x3B;              // ';'
constexpr std::uint8_t kLabelGraphicControl = 0xF9;
constexpr std::uint8_t kLabelComment = 0xFE;
constexpr std::uint8_t kLabelPlainText = 0x01;
constexpr std::uint8_t kLabelApplication = 0xFF;
constexpr std::uint8_t kScreenGlobalTable = 0x80;
constexpr std::uint8_t kScreenColorBits = 0x70;
constexpr std::uint8_t kScreenTableBits = 0x07;
constexpr int kSignatureSize = 3;
constexpr int kVersionSize = 3;
constexpr int kLogicalScreenSize = 7;
constexpr int kLoopIdentifierSize = 11;
constexpr const char* kLoopIdentifiers[] = {"NETSCAPE2.0", "ANIMEXTS1.0"};
constexpr int kLoopSubBlockMin = 3;
constexpr int kMaxLoopCount = 30000;
constexpr const char* kCommentSeparator = "\r\n\r\n";

bool SameIgnoringAsciiCase(const std::uint8_t* bytes, const char* text, std::size_t count) {
    if (std::strlen(text) != count) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(text[i]);
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(a) != lower(b)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsLoopBlock(const TExtension& ext) {
    if (ext.FExtKind != ekApplication || !ext.FBlockLines || ext.FBlockLines->empty() ||
        ext.FRaw.size() < kApplicationSize) {
        return false;
    }
    // The identifier is compared over as many bytes as the stored block size says.
    const std::size_t compared = std::min<std::size_t>(ext.FRaw[0], kLoopIdentifierSize);
    const bool known = std::any_of(
        std::begin(kLoopIdentifiers), std::end(kLoopIdentifiers),
        [&](const char* id) { return std::memcmp(ext.FRaw.data() + 1, id, compared) == 0; });
    const std::string& first = ext.FBlockLines->front();
    return known && first.size() >= kLoopSubBlockMin && first[0] == 1;
}

void TGIFReader::ReadBlocks() {
    ReadHeader();
    ReadLogicalScreen();
    std::uint8_t ch = NextBlockIntroducer();
    while (ch != 0 && ch != kTrailer && !FData.AtEnd()) {
        TExtList extensions = ReadExtensionRun(ch);
        if (ch == kImageSeparator) {
            ReadImage(std::move(extensions));
            if (FData.AtEnd()) {
                ch = kTrailer;
            } else {
                ch = NextBlockIntroducer();
                // Anything else after an image ends the data quietly.
                if (ch != kExtensionIntroducer && ch != kImageSeparator && ch != kTrailer) {
                    ch = 0;
                }
            }
        } else if (FImage.FShared->FCommentLines.empty() && !extensions.empty()) {
            TakeImageComment(extensions);
        } else if (ch != 0 && ch != kTrailer) {
            RaiseGifError(kMsgReadError);
        }
    }
}

void TGIFReader::ReadHeader() {
    std::uint8_t signature[kSignatureSize];
    FData.ReadLenient(signature, kSignatureSize);
    if (!SameIgnoringAsciiCase(signature, "GIF", kSignatureSize)) {
        RaiseGifError(kMsgUnknownVersion);
    }
    std::uint8_t version[kVersionSize];
    FData.ReadLenient(version, kVersionSize);
    for (TGifVersion v : {gfvNone, gfv87a, gfv89a}) {
        if (SameIgnoringAsciiCase(version, GifVersionName(v), kVersionSize)) {
            FImage.FGifVersion = v;
            return;
        }
    }
    RaiseGifError(kMsgUnknownVersion);
}

void TGIFReader::ReadLogicalScreen() {
    std::uint8_t raw[kLogicalScreenSize] = {};
    FData.ReadLenient(raw, kLogicalScreenSize);
    const std::uint8_t packed = raw[4];
    FImage.FLogicalWidth = static_cast<std::uint16_t>(raw[0] | raw[1] << 8);
    FImage.FLogicalHeight = static_cast<std::uint16_t>(raw[2] | raw[3] << 8);
    TGIFData& shared = *FImage.FShared;
    shared.FAspect = raw[6];
    shared.FGlobalBits = static_cast<std::uint8_t>((packed & kScreenTableBits) + 1);
    shared.FColorBits = static_cast<std::uint8_t>(((packed & kScreenColorBits) >> 4) + 1);
    if ((packed & kScreenGlobalTable) != 0) {
        ReadGlobalTable(raw[5]);
    }
}

void TGIFReader::ReadGlobalTable(std::uint8_t backgroundIndex) {
    TGIFPalette& table = FImage.FShared->FGlobalTable;
    table.Count = 1 << FImage.FShared->FGlobalBits;
    FData.ReadLenient(table.Entries[0].data(), 3 * static_cast<std::size_t>(table.Count));
    if (backgroundIndex < table.Count) {
        FImage.FBackColor = TripleToColor(table.Entries[backgroundIndex]);
    }
}

std::uint8_t TGIFReader::NextBlockIntroducer() {
    while (!FData.AtEnd()) {
        const std::uint8_t ch = FData.ReadByte();
        if (ch != 0) {
            return ch;
        }
    }
    return 0;
}

TGIFReader::TExtList TGIFReader::ReadExtensionRun(std::uint8_t& ch) {
    TExtList list;
    while (ch == kExtensionIntroducer) {
        TExtension ext = ReadOneExtension();
        if (ext.FExtKind == ekPlainText) {
            // The graphic control block belonged to the plain text; pending comments go with it.
            list.clear();
        }
        if (ext.FExtKind == ekPlainText || ext.FExtKind == ekApplication) {
            NoteLoopBlock(ext);
        } else {
            list.push_back(std::move(ext));
        }
        ch = FData.AtEnd() ? kTrailer : NextBlockIntroducer();
    }
    return list;
}

TExtension TGIFReader::ReadOneExtension() {
    const std::uint8_t label = FData.ReadByte();
    switch (label) {
        case kLabelGraphicControl: {
            TExtension ext(ekGraphicControl);
            ReadFixedPart(ext, kGraphicControlSize);
            return ext;
        }
        case kLabelComment: {
            TExtension ext(ekComment);
            ext.FBlockLines = ReadSubBlockLines();
            return ext;
        }
        case kLabelPlainText: {
            TExtension ext(ekPlainText);
            ReadFixedPart(ext, kPlainTextSize);
            ext.FBlockLines = ReadSubBlockLines();
            return ext;
        }
        case kLabelApplication: {
            TExtension ext(ekApplication);
            ReadFixedPart(ext, kApplicationSize);
            ext.FBlockLines = ReadSubBlockLines();
            return ext;
        }
        default: {
            char message[64];
            std::snprintf(message, sizeof message, "Unrecognized extension block: %.2X", label);
            RaiseGifError(message);
        }
    }
}

void TGIFReader::ReadFixedPart(TExtension& ext, int size) {
    ext.FRaw.resize(static_cast<std::size_t>(size));
    FData.ReadLenient(ext.FRaw.data(), ext.FRaw.size());
}

TBlockLines TGIFReader::ReadSubBlockLines() {
    TBlockLines lines;
    while (!FData.AtEnd()) {
        const std::uint8_t n = FData.ReadByte();
        if (n == 0) {
            break;
        }
        const auto bytes = FData.Take(n);
        lines.emplace_back(bytes.begin(), bytes.end());
    }
    return lines;
}

void TGIFReader::ReadImage(TExtList extensions) {
    auto frame = std::make_unique<TGIFFrame>(&FImage);
    if (FImage.FShared->FGlobalTable.Count > 0) {
        frame->FItem->FItemBits =
            static_cast<std::uint8_t>(BitsForColorCount(FImage.FShared->FGlobalTable.Count));
    }
    frame->FExtList = std::move(extensions);
    frame->ReadImageBlock(FData);
    FImage.FFrameList.push_back(std::move(frame));
}

void TGIFReader::TakeImageComment(const TExtList& extensions) {
    TBlockLines& comment = FImage.FShared->FCommentLines;
    for (const TExtension& ext : extensions) {
        if (ext.FExtKind != ekComment || !ext.FBlockLines) {
            continue;
        }
        if (!comment.empty()) {
            comment.emplace_back(kCommentSeparator);
        }
        comment.insert(comment.end(), ext.FBlockLines->begin(), ext.FBlockLines->end());
    }
}

void TGIFReader::NoteLoopBlock(const TExtension& ext) {
    if (!IsLoopBlock(ext)) {
        return;
    }
    const std::string& first = ext.FBlockLines->front();
    const int count = static_cast<unsigned char>(first[1]) | static_cast<unsigned char>(first[2])
                                                                 << 8;
    FImage.FHasLoopBlock = true;
    FImage.FLoopCount = static_cast<std::int16_t>(std::min(count, kMaxLoopCount));
}

}  // namespace gif
