#include "gif/GIFTypes.h"

#include "gif/GIFErrors.h"

namespace gif {

bool AcceptDamagedGif = true;

namespace {
constexpr const char* kVersionNames[] = {"", "87a", "89a"};
}

const char* GifVersionName(TGifVersion version) {
    return kVersionNames[version];
}

TColor TripleToColor(const std::array<std::uint8_t, 3>& triple) {
    return TColor(triple[0]) | TColor(triple[1]) << 8 | TColor(triple[2]) << 16;
}

int IndexOfColor(const TGIFPalette& palette, TColor color) {
    if (color == clNone) {
        return -1;
    }
    for (int i = 0; i < palette.Count && i < kMaxPaletteEntries; ++i) {
        if (TripleToColor(palette.Entries[i]) == color) {
            return i;
        }
    }
    return -1;
}

int BitsForColorCount(int count) {
    for (int bits = 1; bits <= 8; ++bits) {
        if (count == 1 << bits) {
            return bits;
        }
    }
    RaiseGifError(kMsgWrongColorCount);
}

}  // namespace gif
