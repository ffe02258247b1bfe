// The writing side of a frame: encoding its bitmap and keeping its graphic control extension in
// line with its delay, transparency and disposal.
#include <algorithm>
#include <cstring>
#include <string>

#include "gif/ColorReduction.h"
#include "gif/GIFErrors.h"
#include "gif/GIFFrame.h"
#include "gif/GIFImage.h"
#include "gif/LzwEncoder.h"

namespace gif {

namespace {

constexpr std::uint8_t kGraphicControlBlockSize = 4;
constexpr std::uint8_t kTransparencyFlag = 0x01;
constexpr std::uint8_t kKeepAllButDisposal = 0xE3;
constexpr int kDisposalShift = 2;
constexpr std::uint32_t kDelayUnitMs = 10;
constexpr std::uint32_t kMaxDelay = 0xFFFF;
constexpr std::int32_t kMaxGifSide = 65535;

int TableBits(int count) {
    int bits = 1;
    while ((1 << bits) < count) {
        ++bits;
    }
    return bits;
}

int ColorCountForDepth(int depth) {
    switch (depth) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            RaiseGifError(kMsgEncodingError);
    }
}

}  // namespace

void TGIFFrame::SyncGraphicControl() {
    auto last = std::find_if(FExtList.rbegin(), FExtList.rend(), [](const TExtension& ext) {
        return ext.FExtKind == ekGraphicControl;
    });
    TExtension* control = last == FExtList.rend() ? nullptr : &*last;
    if (control == nullptr && (FDelayMs != 0 || FTransColor != clNone || FDisposalCode != 0)) {
        control = &FExtList.emplace_back(ekGraphicControl);
        control->FRaw.assign(kGraphicControlSize, 0);
        control->FRaw[0] = kGraphicControlBlockSize;
    }
    if (control != nullptr) {
        std::vector<std::uint8_t>& raw = control->FRaw;
        raw.resize(std::max<std::size_t>(raw.size(), kGraphicControlSize), 0);
        // Delays beyond the 16-bit field are held at its largest value instead of wrapping round.
        const std::uint32_t delay = std::min(FDelayMs / kDelayUnitMs, kMaxDelay);
        raw[2] = static_cast<std::uint8_t>(delay);
        raw[3] = static_cast<std::uint8_t>(delay >> 8);
        const int index = IndexOfColor(FItem->FItemTable, FTransColor);
        if (index >= 0) {
            raw[4] = static_cast<std::uint8_t>(index);
            raw[1] |= kTransparencyFlag;
        } else {
            raw[1] &= static_cast<std::uint8_t>(~kTransparencyFlag);
        }
        raw[1] = static_cast<std::uint8_t>((raw[1] & kKeepAllButDisposal) |
                                           (FDisposalCode << kDisposalShift));
    }
    for (auto it = FExtList.end(); it != FExtList.begin();) {
        --it;
        if (it->FExtKind == ekComment && (!it->FBlockLines || it->FBlockLines->empty())) {
            it = FExtList.erase(it);
        }
    }
    if (!FExtList.empty() && FImageOwner != nullptr) {
        FImageOwner->FGifVersion = gfv89a;
    }
}

void TGIFFrame::EncodeBitmap() {
    if (!FBitmapCache || FBitmapCache->Empty()) {
        RaiseGifError(kMsgNoGifData);
    }
    const TDib& bitmap = *FBitmapCache;
    if (bitmap.BitCount == 1 || bitmap.BitCount == 4 || bitmap.BitCount == 8) {
        EncodeFromDib(bitmap);
    } else {
        EncodeFromDib(ReduceToIndexed(bitmap, FGrayOnSave ? rmGrey : GifSaveReduction));
    }
}

void TGIFFrame::EncodeFromDib(const TDib& bitmap) {
    const int colorCount = ColorCountForDepth(bitmap.BitCount);
    if (bitmap.Empty() || bitmap.Pixels.Data() == nullptr ||
        bitmap.Pixels.Size() < bitmap.ImageSize()) {
        throw EInvalidGraphic(kMsgInvalidBitmap);
    }
    if (bitmap.Width > kMaxGifSide || bitmap.Height > kMaxGifSide) {
        RaiseGifError("GIF frame of " + std::to_string(bitmap.Width) + " x " +
                      std::to_string(bitmap.Height) +
                      " pixels does not fit the 65535 x 65535 pixel limit");
    }
    FIsInterlaced = false;
    // Items are shared between copies of a frame; the new content goes to a private one.
    if (FItem.use_count() > 1) {
        FItem = std::make_shared<TGIFItem>(*FItem);
    }
    TableFromQuads(bitmap.Palette, colorCount);
    TGIFItem& item = *FItem;
    item.FCodeStream.emplace();
    item.FItemBits = 1;
    try {
        item.FCodeStream = EncodeRaster(bitmap.Width, bitmap.Height, bitmap.BitCount, false,
                                        FImageOwner != nullptr ? FImageOwner->Notify() : nullptr,
                                        bitmap.Pixels.Data());
    } catch (const EAbort&) {
        FreshItem();
        throw;
    }
    item.FItemBits = static_cast<std::uint8_t>(TableBits(item.FItemTable.Count));
    if (FImageOwner != nullptr) {
        TGIFImage& image = *FImageOwner;
        if (image.FShared->FGlobalTable.Count != 0) {
            FOwnTable = true;
        } else {
            if (image.FShared.use_count() > 1) {
                image.FShared = std::make_shared<TGIFData>(*image.FShared);
            }
            image.FShared->FGlobalTable = item.FItemTable;
            image.FShared->FGlobalBits = item.FItemBits;
            FOwnTable = false;
        }
    } else {
        FOwnTable = true;
    }
    item.FPixelWidth = bitmap.Width;
    item.FPixelHeight = bitmap.Height;
    if (FImageOwner != nullptr) {
        TGIFImage& image = *FImageOwner;
        image.FLogicalWidth = static_cast<std::uint16_t>(std::clamp<std::int64_t>(
            std::int64_t{bitmap.Width} + FOriginX, image.FLogicalWidth, kMaxGifSide));
        image.FLogicalHeight = static_cast<std::uint16_t>(std::clamp<std::int64_t>(
            std::int64_t{bitmap.Height} + FOriginY, image.FLogicalHeight, kMaxGifSide));
    }
}

void TGIFFrame::TableFromQuads(const std::vector<TRgbQuad>& quads, int colorCount) {
    TGIFPalette& table = FItem->FItemTable;
    table.Clear();
    table.Count = std::min(kMaxPaletteEntries, colorCount);
    const int given = std::min<int>(table.Count, static_cast<int>(quads.size()));
    for (int i = 0; i < given; ++i) {
        table.Entries[i] = {quads[i][2], quads[i][1], quads[i][0]};
    }
}

}  // namespace gif
