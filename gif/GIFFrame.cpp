#include "gif/GIFFrame.h"

#include <algorithm>
#include <new>
#include <string>

#include "gif/GIFBuffer.h"
#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"
#include "gif/LzwDecoder.h"

namespace gif {

namespace {

constexpr int kDescriptorSize = 9;
constexpr std::uint8_t kDescLocalTable = 0x80;
constexpr std::uint8_t kDescInterlaced = 0x40;
constexpr std::uint8_t kDescTableBits = 0x07;
constexpr std::uint8_t kGreyLevel = 128;
constexpr std::uint32_t kDelayUnitMs = 10;

struct TImageDescriptor {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint8_t Packed = 0;
};

std::int32_t Le16(const std::uint8_t* p) {
    return p[0] | p[1] << 8;
}

int DibDepthForBits(int itemBits) {
    if (itemBits == 1) {
        return 1;
    }
    if (itemBits >= 2 && itemBits <= 4) {
        return 4;
    }
    if (itemBits >= 5 && itemBits <= 8) {
        return 8;
    }
    RaiseGifError(kMsgWrongColorCount);
}

const TExtension* LastComment(const std::vector<TExtension>& list) {
    auto it = std::find_if(list.rbegin(), list.rend(),
                           [](const TExtension& ext) { return ext.FExtKind == ekComment; });
    return it == list.rend() ? nullptr : &*it;
}

}  // namespace

TGIFFrame::TGIFFrame(TGIFImage* owner) : FImageOwner(owner), FItem(std::make_shared<TGIFItem>()) {}

void TGIFFrame::ReadImageBlock(TGifBuffer& data) {
    FItem->FCodeStream.emplace();
    try {
        CopyImageBlock(data);
    } catch (...) {
        FItem->FCodeStream.reset();
        throw;
    }
}

void TGIFFrame::CopyImageBlock(TGifBuffer& data) {
    TGIFItem& item = *FItem;

    FIsCorrupt = false;
    std::uint8_t raw[kDescriptorSize] = {};
    data.ReadExact(raw, kDescriptorSize);
    TImageDescriptor desc{Le16(raw), Le16(raw + 2), Le16(raw + 4), Le16(raw + 6), raw[8]};
    FIsInterlaced = (desc.Packed & kDescInterlaced) != 0;
    if ((desc.Packed & kDescLocalTable) != 0) {
        item.FItemBits = static_cast<std::uint8_t>((desc.Packed & kDescTableBits) + 1);
        FOwnTable = true;
        item.FItemTable.Clear();
        item.FItemTable.Count = 1 << item.FItemBits;
        data.ReadExact(item.FItemTable.Entries[0].data(), 3 * item.FItemTable.Count);
    } else {
        FOwnTable = false;
        item.FItemTable.Clear();
    }

    // The stored raster is one stretch of the data (minimum code size byte, sub-blocks,
    // terminator): the code stream keeps that stretch rather than a copy of it.
    const std::size_t start = data.Position();
    std::uint8_t minCodeSize = 0;
    data.ReadExact(&minCodeSize, 1);
    std::size_t end = data.Position();
    while (!data.AtEnd()) {
        const std::uint8_t n = data.ReadByte();
        if (n > data.Remaining()) {
            // A sub-block cut short is dropped together with its size byte.
            FIsCorrupt = true;
            break;
        }
        data.Take(n);
        end = data.Position();
        if (n == 0) {
            break;
        }
    }
    item.FCodeStream = data.CodeStream(start, end);
    if (FIsCorrupt) {
        data.SkipToEnd();
    }

    if (FIsCorrupt && !AcceptsDamage()) {
        RaiseGifError(kMsgReadError);
    }
    if (desc.Width == 0 && FImageOwner != nullptr) {
        desc.Width = FImageOwner->FLogicalWidth;
    }
    if (desc.Height == 0 && FImageOwner != nullptr) {
        desc.Height = FImageOwner->FLogicalHeight;
    }
    FOriginX = desc.Left;
    FOriginY = desc.Top;
    item.FPixelWidth = desc.Width;
    item.FPixelHeight = desc.Height;
    item.FDescFlags = desc.Packed;
    if (!FOwnTable && FImageOwner != nullptr) {
        item.FItemTable = FImageOwner->FShared->FGlobalTable;
    }
    ApplyGraphicControls();
}

void TGIFFrame::ApplyGraphicControls() {
    const TGIFPalette& table = FItem->FItemTable;
    FDelayMs = 0;
    for (const TExtension& ext : FExtList) {
        if (ext.FExtKind != ekGraphicControl) {
            continue;
        }
        if (ext.TransparencyFlag()) {
            if (ext.TransparentIndex() < table.Count) {
                FTransColor = TripleToColor(table.Entries[ext.TransparentIndex()]);
            }
        } else {
            FTransColor = clNone;
        }
        FDelayMs = std::max(ext.DelayHundredths() * kDelayUnitMs, FDelayMs);
        FDisposalCode = ext.DisposalMethod();
    }
}

bool TGIFFrame::AcceptsDamage() const {
    return FImageOwner != nullptr ? FImageOwner->FAcceptDamaged : AcceptDamagedGif;
}

void TGIFFrame::CheckPixelLimit() const {
    const std::int64_t limit = FImageOwner != nullptr ? FImageOwner->FMaxPixels : kDefaultMaxPixels;
    const std::int64_t width = std::max(FItem->FPixelWidth, 0);
    const std::int64_t height = std::max(FItem->FPixelHeight, 0);
    if (width * height > limit) {
        throw EFrameTooLarge(width, height, limit);
    }
}

TDib TGIFFrame::DibHeader() const {
    const TGIFItem& item = *FItem;
    const int depth = DibDepthForBits(item.FItemBits);

    TDib dib;
    dib.Width = item.FPixelWidth;
    dib.Height = item.FPixelHeight;
    dib.BitCount = static_cast<std::uint16_t>(depth);
    dib.Palette.assign(kMaxPaletteEntries,
                       TRgbQuad{kGreyLevel, kGreyLevel, kGreyLevel, kGreyLevel});
    const int fromTable = item.FItemTable.Count == 0
                              ? kMaxPaletteEntries
                              : std::min(item.FItemTable.Count, kMaxPaletteEntries);
    for (int i = 0; i < fromTable; ++i) {
        const auto& rgb = item.FItemTable.Entries[i];
        dib.Palette[i] = TRgbQuad{rgb[2], rgb[1], rgb[0], 0};
    }
    dib.Palette.resize(std::size_t{1} << depth);
    return dib;
}

TDib TGIFFrame::BuildDib() {
    TDib dib = DibHeader();
    CheckPixelLimit();
    try {
        dib.Pixels = TPixelBuffer(dib.ImageSize());
    } catch (const std::bad_alloc&) {
        RaiseGifError("Not enough memory for a GIF frame of " + std::to_string(dib.Width) + " x " +
                      std::to_string(dib.Height) + " pixels");
    }
    DecodeInto(dib.Pixels.Data());
    return dib;
}

void TGIFFrame::DecodeInto(std::uint8_t* pixels) {
    const TGIFItem& item = *FItem;
    CheckPixelLimit();
    std::span<const std::uint8_t> code;
    if (item.FCodeStream) {
        code = item.FCodeStream->Bytes();
    }
    const TRasterTarget target{pixels, item.FPixelWidth, item.FPixelHeight,
                               DibDepthForBits(item.FItemBits)};
    const bool damaged = DecodeRaster(code, item.FItemBits, FIsInterlaced, target, AcceptsDamage(),
                                      FImageOwner != nullptr ? FImageOwner->Notify() : nullptr);
    FIsCorrupt = FIsCorrupt || damaged;
}

const TDib& TGIFFrame::FrameBitmap() {
    if (FBitmapCache && !FBitmapCache->Empty()) {
        return *FBitmapCache;
    }
    FreshBitmap();
    if (FItem->FCodeStream) {
        *FBitmapCache = BuildDib();
    }
    return *FBitmapCache;
}

std::int32_t TGIFFrame::FrameWidth() {
    if (!FBitmapCache && !FItem->FCodeStream) {
        return 0;
    }
    return FrameBitmap().Width;
}

std::int32_t TGIFFrame::FrameHeight() {
    if (!FBitmapCache && !FItem->FCodeStream) {
        return 0;
    }
    return FrameBitmap().Height;
}

void TGIFFrame::FreshItem() {
    FItem = std::make_shared<TGIFItem>();
}

void TGIFFrame::FreshBitmap() {
    FBitmapCache = std::make_unique<TDib>();
}

TBlockLines* TGIFFrame::FrameComment(bool create) {
    auto it = std::find_if(FExtList.rbegin(), FExtList.rend(),
                           [](const TExtension& ext) { return ext.FExtKind == ekComment; });
    TExtension* comment = it == FExtList.rend() ? nullptr : &*it;
    if (comment == nullptr) {
        if (!create) {
            return nullptr;
        }
        comment = &FExtList.emplace_back(ekComment);
    }
    if (!comment->FBlockLines) {
        if (!create) {
            return nullptr;
        }
        comment->FBlockLines.emplace();
    }
    return &*comment->FBlockLines;
}

void TGIFFrame::SetFrameComment(const TBlockLines& lines) {
    *FrameComment(true) = lines;
}

void TGIFFrame::CopyContentFrom(const TGIFFrame* source) {
    if (source == nullptr) {
        FreshItem();
        FBitmapCache.reset();
    } else if (source != this) {
        FItem = source->FItem;
        FOwnTable = source->FImageOwner == FImageOwner ? source->FOwnTable : true;
        FOriginX = source->FOriginX;
        FOriginY = source->FOriginY;
        FIsInterlaced = source->FIsInterlaced;
        // A cache of the old content would show the wrong picture; without a source bitmap the
        // shared item is decoded again.
        if (source->FBitmapCache) {
            FBitmapCache = std::make_unique<TDib>(source->FBitmapCache->Clone());
        } else {
            FBitmapCache.reset();
        }
        FTransColor = source->FTransColor;
        FDelayMs = source->FDelayMs;
        FDisposalCode = source->FDisposalCode;
        FGrayOnSave = source->FGrayOnSave;
        FIsCorrupt = source->FIsCorrupt;
        const TExtension* comment = LastComment(source->FExtList);
        if (comment != nullptr && comment->FBlockLines && !comment->FBlockLines->empty()) {
            SetFrameComment(*comment->FBlockLines);
        }
    }
    if (FImageOwner != nullptr) {
        FImageOwner->RecalcLogicalSize();
    }
}

}  // namespace gif
