#include "gif/ColorReduction.h"

#include <array>
#include <limits>
#include <vector>

#include "gif/GIFErrors.h"

namespace gif {

TReductionMethod GifSaveReduction = rmPopularity;

namespace {

constexpr int kPaletteSize = 256;
constexpr std::uint8_t kUnusedGrey = 128;
constexpr int kColorSlots = 5191;
constexpr int kMaxCountedColors = 2049;
constexpr std::uint32_t kGreyRed = 77;
constexpr std::uint32_t kGreyGreen = 150;
constexpr std::uint32_t kGreyBlue = 29;
constexpr std::uint32_t kUsedSlot = 1u << 24;

struct TRgb {
    std::uint8_t R;
    std::uint8_t G;
    std::uint8_t B;
};

// Reads the pixels of a 24- or 32-bit bitmap top-down; both store blue, green, red.
class TTrueColorRows {
  public:
    explicit TTrueColorRows(const TDib& bitmap)
        : FBitmap(bitmap), FBytesPerPixel(bitmap.BitCount / 8) {}

    template <typename F>
    void ForEach(F&& visit) const {
        for (std::int32_t y = 0; y < FBitmap.Height; ++y) {
            const std::uint8_t* p = FBitmap.Row(y);
            for (std::int32_t x = 0; x < FBitmap.Width; ++x, p += FBytesPerPixel) {
                visit(x, y, TRgb{p[2], p[1], p[0]});
            }
        }
    }

  private:
    const TDib& FBitmap;
    int FBytesPerPixel;
};

struct TColorSlot {
    std::uint32_t Key = 0;  // kUsedSlot | r | g << 8 | b << 16; 0 = empty
    std::uint32_t Count = 0;
    std::uint8_t Index = 0;
    bool Chosen = false;
};

// Counts distinct colours under the current masks in an open-addressed table.
class TColorCounter {
  public:
    TColorCounter() : FSlots(kColorSlots) {}

    void Reset() {
        std::fill(FSlots.begin(), FSlots.end(), TColorSlot{});
        FDistinct = 0;
    }

    TRgb Mask(TRgb c) const {
        return TRgb{static_cast<std::uint8_t>(c.R & FMask[0]),
                    static_cast<std::uint8_t>(c.G & FMask[1]),
                    static_cast<std::uint8_t>(c.B & FMask[2])};
    }

    // The slot of c, taking a new one when c is new; null when the table is full.
    TColorSlot* Find(TRgb c, bool add) {
        const std::uint32_t key = kUsedSlot | c.R | c.G << 8 | c.B << 16;
        std::uint32_t slot = (std::uint32_t{c.R} + c.G) * (std::uint32_t{c.B} + c.G) *
                             (std::uint32_t{c.R} + c.B) % kColorSlots;
        while (FSlots[slot].Key != 0) {
            if (FSlots[slot].Key == key) {
                return &FSlots[slot];
            }
            slot = slot + 1 == kColorSlots ? 0 : slot + 1;
        }
        if (!add || FDistinct == kMaxCountedColors) {
            return nullptr;
        }
        ++FDistinct;
        FSlots[slot].Key = key;
        return &FSlots[slot];
    }

    // One mask one bit coarser: blue first, then red, then green, and round again.
    void Coarsen() {
        std::uint8_t& r = FMask[0];
        std::uint8_t& g = FMask[1];
        std::uint8_t& b = FMask[2];
        std::uint8_t& next = r < g ? g : (b < r ? r : b);
        next = static_cast<std::uint8_t>(next << 1);
    }

    std::vector<TColorSlot>& Slots() { return FSlots; }

  private:
    std::vector<TColorSlot> FSlots;
    int FDistinct = 0;
    std::array<std::uint8_t, 3> FMask = {0xFF, 0xFF, 0xFF};
};

TDib NewIndexedBitmap(const TDib& source) {
    TDib out;
    out.Width = source.Width;
    out.Height = source.Height;
    out.BitCount = 8;
    out.Palette.assign(kPaletteSize, TRgbQuad{kUnusedGrey, kUnusedGrey, kUnusedGrey, 0});
    out.Pixels = TPixelBuffer(out.ImageSize());
    return out;
}

std::uint8_t* IndexAt(TDib& out, std::int32_t x, std::int32_t y) {
    return out.Pixels.Data() + static_cast<std::size_t>(out.Height - 1 - y) * out.Stride() + x;
}

void ReduceToGrey(const TDib& bitmap, TDib& out) {
    for (int i = 0; i < kPaletteSize; ++i) {
        const auto level = static_cast<std::uint8_t>(i);
        out.Palette[i] = TRgbQuad{level, level, level, 0};
    }
    TTrueColorRows(bitmap).ForEach([&](std::int32_t x, std::int32_t y, TRgb c) {
        *IndexAt(out, x, y) =
            static_cast<std::uint8_t>((kGreyRed * c.R + kGreyGreen * c.G + kGreyBlue * c.B) >> 8);
    });
}

std::uint32_t Distance(TRgb a, const TRgbQuad& quad) {
    const int dr = a.R - quad[2];
    const int dg = a.G - quad[1];
    const int db = a.B - quad[0];
    return static_cast<std::uint32_t>(dr * dr + dg * dg + db * db);
}

void ReduceByPopularity(const TDib& bitmap, TDib& out) {
    const TTrueColorRows rows(bitmap);
    TColorCounter counter;
    for (bool full = true; full;) {
        counter.Reset();
        full = false;
        rows.ForEach([&](std::int32_t, std::int32_t, TRgb c) {
            if (full) {
                return;
            }
            TColorSlot* slot = counter.Find(counter.Mask(c), true);
            if (slot == nullptr) {
                full = true;
            } else {
                ++slot->Count;
            }
        });
        if (full) {
            counter.Coarsen();
        }
    }

    // Palette: most frequent first, the first found on ties.
    std::vector<TColorSlot>& slots = counter.Slots();
    int used = 0;
    for (; used < kPaletteSize; ++used) {
        TColorSlot* best = nullptr;
        for (TColorSlot& slot : slots) {
            if (slot.Key != 0 && !slot.Chosen && (best == nullptr || slot.Count > best->Count)) {
                best = &slot;
            }
        }
        if (best == nullptr) {
            break;
        }
        best->Chosen = true;
        best->Index = static_cast<std::uint8_t>(used);
        out.Palette[used] = TRgbQuad{static_cast<std::uint8_t>(best->Key >> 16),
                                     static_cast<std::uint8_t>(best->Key >> 8),
                                     static_cast<std::uint8_t>(best->Key), 0};
    }
    for (TColorSlot& slot : slots) {
        if (slot.Key == 0 || slot.Chosen) {
            continue;
        }
        const TRgb c{static_cast<std::uint8_t>(slot.Key), static_cast<std::uint8_t>(slot.Key >> 8),
                     static_cast<std::uint8_t>(slot.Key >> 16)};
        std::uint32_t bestDistance = std::numeric_limits<std::uint32_t>::max();
        for (int i = 0; i < used; ++i) {
            const std::uint32_t d = Distance(c, out.Palette[i]);
            if (d < bestDistance) {
                bestDistance = d;
                slot.Index = static_cast<std::uint8_t>(i);
            }
        }
    }

    rows.ForEach([&](std::int32_t x, std::int32_t y, TRgb c) {
        *IndexAt(out, x, y) = counter.Find(counter.Mask(c), false)->Index;
    });
}

}  // namespace

TDib ReduceToIndexed(const TDib& bitmap, TReductionMethod method) {
    if (bitmap.Empty() || bitmap.Pixels.Data() == nullptr ||
        bitmap.Pixels.Size() < bitmap.ImageSize()) {
        throw EInvalidGraphic(kMsgInvalidBitmap);
    }
    if (bitmap.BitCount != 24 && bitmap.BitCount != 32) {
        RaiseGifError(kMsgEncodingError);
    }
    TDib out = NewIndexedBitmap(bitmap);
    if (method == rmGrey) {
        ReduceToGrey(bitmap, out);
    } else {
        ReduceByPopularity(bitmap, out);
    }
    return out;
}

}  // namespace gif
